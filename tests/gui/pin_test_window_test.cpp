// SPDX-License-Identifier: GPL-3.0-or-later
// The pin test window on the virtual port: what a control on the cable sees
// when lines are ticked or walked, and its run/stop line read back.

#include "gui/pin_test_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "sim/pins.h"
#include "sim/virtual_port.h"

using namespace feedrite;

namespace {

struct Probe final : CableEnd {
    OutputPins seen;
    bool run_pin_high = false;
    void on_pins(const OutputPins& pins) override { seen = pins; }
    bool pin11_high() override { return run_pin_high; }
};

QCheckBox* box(PinTestWindow& window, const char* name) {
    for (QCheckBox* b : window.findChildren<QCheckBox*>())
        if (b->text() == QLatin1String(name)) return b;
    return nullptr;
}

}  // namespace

class PinTestWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Negative data and ready, positive sprocket: the pins follow each polarity.
    void ticksWalksAndLeavesTheLinesAtRest() {
        VirtualPort port;
        Probe probe;
        port.connect(&probe);
        QVERIFY(port.port_open(0x378, 3).ok());
        PortSettings logic;
        logic.Data_logic = logic.Ready_logic = false;
        auto window = std::make_unique<PinTestWindow>(port, logic);
        QCOMPARE(probe.seen.data, std::uint8_t{0xFF});
        QTest::mouseClick(box(*window, "Data 2"), Qt::LeftButton);
        QTest::mouseClick(box(*window, "Sprocket"), Qt::LeftButton);
        QTest::mouseClick(box(*window, "Ready"), Qt::LeftButton);
        QCOMPARE(probe.seen.data, std::uint8_t{0xFB});
        QVERIFY(probe.seen.pin16 && probe.seen.pin17);
        QVERIFY(!probe.seen.pin1);
        QTest::mouseClick(box(*window, "Ready"), Qt::LeftButton);
        QVERIFY(probe.seen.pin1);

        auto* run_stop = window->findChild<QLabel*>(QStringLiteral("run_stop"));
        probe.run_pin_high = true;
        window->poll();
        QCOMPARE(run_stop->text(), QStringLiteral("pin 11 high: the control says run"));
        probe.run_pin_high = false;
        QTRY_COMPARE(run_stop->text(), QStringLiteral("pin 11 low: the control says stop"));

        window->findChild<QPushButton*>()->click();  // Walk: data 0 alone, then data 1
        QCOMPARE(probe.seen.data, std::uint8_t{0xFE});
        QVERIFY(!box(*window, "Data 0")->isEnabled());
        QVERIFY(window->walk_timer().isActive());
        window->walk();
        QCOMPARE(probe.seen.data, std::uint8_t{0xFD});
        for (int step = 2; step <= 8; ++step) window->walk();
        QCOMPARE(probe.seen.data, std::uint8_t{0xFF});
        QVERIFY(probe.seen.pin16);  // the sprocket's turn
        window->show();
        window->close();  // the walk ends with the window, which may outlive it
        QVERIFY(!window->walk_timer().isActive());
        QCOMPARE(probe.seen.data, std::uint8_t{0xFF});
        QVERIFY(!probe.seen.pin16 && probe.seen.pin1);
        probe.seen = {};
        QTest::qWait(600);
        QCOMPARE(probe.seen.data, std::uint8_t{0});  // nothing written since
        window.reset();
        QCOMPARE(probe.seen.data, std::uint8_t{0xFF});
        QVERIFY(!probe.seen.pin16 && probe.seen.pin1);
    }
};

QTEST_MAIN(PinTestWindowTest)
#include "pin_test_window_test.moc"
