// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real-time priority from the desktop's RealtimeKit service, for a user whose
// RLIMIT_RTPRIO allows none (a stock desktop): the service grants it, as it
// does to audio programs, once RLIMIT_RTTIME bounds the CPU time the thread
// may take without sleeping, and at most its MaxRealtimePriority.

#include <QDBusConnection>

#include "core/realtime.h"

namespace feedrite {

class DesktopScheduler final : public SystemScheduler {
  public:
    explicit DesktopScheduler(QDBusConnection bus = QDBusConnection::systemBus())
        : bus_(std::move(bus)) {}
    std::pair<int, std::string> ask_service(int priority) override;

  private:
    QDBusConnection bus_;
};

}  // namespace feedrite
