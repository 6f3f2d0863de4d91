// SPDX-License-Identifier: GPL-3.0-or-later
// The RealtimeKit client against a stand-in service on a private bus.

#include "gui/realtime_kit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QProcess>
#include <QtTest>

namespace feedrite {

class RealtimeKitTest : public QObject {
    Q_OBJECT

  private slots:
    void asks_with_the_time_bounded_first_and_tells_a_refusal();
};

void RealtimeKitTest::asks_with_the_time_bounded_first_and_tells_a_refusal() {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    QVERIFY(bus.waitForReadyRead(10000));
    const QString address = QString::fromLatin1(bus.readLine().trimmed());
    for (const bool refuse : {false, true}) {
        QProcess kit;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        if (refuse) env.insert(QStringLiteral("REFUSE"), QStringLiteral("1"));
        kit.setProcessEnvironment(env);
        kit.start(QStringLiteral(FEEDRITE_STANDIN));
        QVERIFY(kit.waitForReadyRead(10000));
        QCOMPARE(kit.readLine().trimmed(), QByteArray("ready"));
        const QString name = QStringLiteral("client%1").arg(refuse);
        {
            DesktopScheduler scheduler(QDBusConnection::connectToBus(address, name));
            const auto [granted, why] = scheduler.ask_service(30);  // the service allows 20
            QVERIFY(kit.waitForReadyRead(10000));
            const QByteArray call = kit.readLine().simplified();
            // The thread's own id, the service's limit, and RLIMIT_RTTIME already set.
            QCOMPARE(call, QByteArray("call " + QByteArray::number(::gettid()) +
                                      " 20 Max realtime timeout 100000 200000 us"));
            QCOMPARE(granted, refuse ? 0 : 20);
            QCOMPARE(QString::fromStdString(why).contains(u"refused by the stand-in"), refuse);
        }
        QDBusConnection::disconnectFromBus(name);
        kit.kill();
        kit.waitForFinished();
    }
    bus.kill();
    bus.waitForFinished();
}

}  // namespace feedrite

QTEST_GUILESS_MAIN(feedrite::RealtimeKitTest)
#include "realtime_kit_test.moc"
