// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the desktop's RealtimeKit service on a private bus: it
// answers the two properties a client reads and MakeThreadRealtime, and
// prints each call with the caller's RLIMIT_RTTIME as /proc shows it. With
// REFUSE set it refuses, as the service does a thread it will not serve.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <cstdio>
#include <cstdlib>

class StandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.RealtimeKit1")
    Q_PROPERTY(int MaxRealtimePriority READ max_priority)
    Q_PROPERTY(qlonglong RTTimeUSecMax READ rttime_max)

  public:
    int max_priority() const { return 20; }
    qlonglong rttime_max() const { return 200000; }

  public slots:
    void MakeThreadRealtime(quint64 thread, quint32 priority) {
        const uint pid = connection().interface()->servicePid(message().service()).value();
        QFile limits(QStringLiteral("/proc/%1/limits").arg(pid));
        QByteArray rttime = "none";
        if (limits.open(QIODevice::ReadOnly))
            for (const QByteArray& line : limits.readAll().split('\n'))
                if (line.startsWith("Max realtime timeout")) rttime = line.simplified();
        std::printf("call %llu %u %s\n", static_cast<unsigned long long>(thread), priority,
                    rttime.constData());
        std::fflush(stdout);
        if (std::getenv("REFUSE") != nullptr)
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("refused by the stand-in"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    StandIn kit;
    if (!bus.registerObject(
            QStringLiteral("/org/freedesktop/RealtimeKit1"), &kit,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.freedesktop.RealtimeKit1")))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "realtime_kit_standin.moc"
