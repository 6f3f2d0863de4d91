// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lock against sleep and idle from systemd-logind, over the system bus:
// held as long as the file descriptor logind hands out stays open.

#include <QDBusUnixFileDescriptor>

#include "core/stay_awake.h"

namespace feedrite {

class LogindInhibitor final : public SleepInhibitor {
  public:
    std::optional<std::string> take() override;
    void release() override;

  private:
    QDBusUnixFileDescriptor lock_;
};

}  // namespace feedrite
