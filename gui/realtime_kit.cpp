// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/realtime_kit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <algorithm>

namespace feedrite {
namespace {

const QString service = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString path = QStringLiteral("/org/freedesktop/RealtimeKit1");

std::string refused(const QDBusError& error) {
    return "the RealtimeKit service refused it (" + error.message().toStdString() + ")";
}

}  // namespace

std::pair<int, std::string> DesktopScheduler::ask_service(int priority) {
    if (!bus_.isConnected()) return {0, "the system bus is not reachable"};
    QDBusInterface properties(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                              bus_);
    const auto get = [&](const char* name) {
        return QDBusReply<QVariant>(
            properties.call(QStringLiteral("Get"), service, QString::fromLatin1(name)));
    };
    const QDBusReply<QVariant> most = get("MaxRealtimePriority");
    const QDBusReply<QVariant> rttime = get("RTTimeUSecMax");
    if (!most.isValid()) return {0, "no RealtimeKit service answers"};
    const int granted = std::min(priority, most.value().toInt());
    if (granted < 1) return {0, "the RealtimeKit service allows no real-time priority"};
    // The service wants the thread bounded first: a soft limit below the hard
    // one, whose SIGXCPU drops the thread to normal priority before the hard
    // one would end the program.
    const rlim_t hard = rttime.isValid() ? rttime.value().toULongLong() : 200000;
    const rlimit limit{hard / 2, hard};
    if (::setrlimit(RLIMIT_RTTIME, &limit) != 0) return {0, "RLIMIT_RTTIME could not be set"};
    const long tid = ::gettid();
    drop_realtime_on_sigxcpu(tid);
    QDBusInterface kit(service, path, service, bus_);
    const QDBusReply<void> made = kit.call(QStringLiteral("MakeThreadRealtime"),
                                           QVariant::fromValue(static_cast<quint64>(tid)),
                                           QVariant::fromValue(static_cast<quint32>(granted)));
    if (!made.isValid()) return {0, refused(made.error())};
    return {granted, ""};
}

}  // namespace feedrite
