// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/logind_inhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace feedrite {

std::optional<std::string> LogindInhibitor::take() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return "no system bus: " + bus.lastError().message().toStdString();
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), bus);
    // A bus that does not answer must not hold up the transmission for long.
    manager.setTimeout(3000);
    const QDBusReply<QDBusUnixFileDescriptor> reply = manager.call(
        QStringLiteral("Inhibit"), QStringLiteral("sleep:idle"), QStringLiteral("Feedrite"),
        QStringLiteral("Feeding a part program to the CNC control"), QStringLiteral("block"));
    if (!reply.isValid()) return "no logind: " + reply.error().message().toStdString();
    lock_ = reply.value();
    return std::nullopt;
}

void LogindInhibitor::release() {
    // Closing our copy of the descriptor ends the lock.
    lock_ = QDBusUnixFileDescriptor();
}

}  // namespace feedrite
