// The "Virtual control" window: a real transmission on the virtual port read
// by the window's control, its buttons stopping and resuming the flow, its
// settings changed live, a re-opened port, and where the window stands.

#include "app/virtual_control_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include "app/feedrite_form.h"
#include "btr/simulated_port.h"
#include "config/settings_paths.h"
#include "tests/support/device_settings.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

namespace {

QString label_text(const VirtualControlWindow& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Whether some character of the read view carries the parity error's look.
bool has_marked_text(const QPlainTextEdit& view) {
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().background().style() != Qt::NoBrush) return true;
    return false;
}

// Writes one character to the port with the positive sequence.
void clock_out(SimulatedPort& port, int code) {
    port.port_write(0, code);
    port.port_write(2, (port.port_read(2) | 0x04) & 0xC7);
    port.port_write(2, (port.port_read(2) | 0x08) & 0xCB);
    port.port_write(0, 0);
}

}  // namespace

class VirtualControlWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void reads_a_transmission_and_holds_it();
    void follows_a_reopened_port_and_a_released_one();
    void remembers_where_it_stood_and_only_hides();
};

// Each step runs inside the send driver's yields, as the operator's clicks would.
void VirtualControlWindowTest::reads_a_transmission_and_holds_it() {
    testing::TempDir dir;
    dir.write("part.nc", "N1 X1\r\nN2 X2\r\nN3 M30\r\n");
    testing::DeviceSettings device;
    device.delay1 = 400;
    device.delay2 = 200;
    device.delay3 = 100;
    device.write(dir.path());
    ModuleState module;
    FeedriteForm form(module, dir.path());
    form.start_up(read_command_line(dir.file("part.nc") + "|(default)|1"));
    form.timer2().stop();
    bool ended = false;
    form.qt_host().exit_with([&] { ended = true; });
    QObject::connect(&form, &FeedriteForm::start_transmission, &form, &FeedriteForm::send_file);
    VirtualControlWindow window([&] { return form.simulated_port(); },
                                [&] { return settings_path(dir.path(), default_device_name); });
    QCOMPARE(window.windowTitle(), QStringLiteral("Virtual control"));
    QCOMPARE(window.state_label()->text(), QStringLiteral("Not connected"));
    QVERIFY(!window.feed_hold_button()->isEnabled());

    QStringList failures;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) failures << QString::fromLatin1(what);
    };
    int step = 0, waited = 0;
    std::size_t at_hold = 0;
    QTimer script;
    script.setInterval(50);
    QObject::connect(&script, &QTimer::timeout, &form, [&] {
        window.poll();
        const MonitorCounts counts = window.monitor().counts();
        const QString read = window.read_view()->toPlainText();
        if (step == 0 && counts.blocks >= 4) {  // the leader "%" LF, then the three
            check(read.contains(QStringLiteral("N1 X1\nN2 X2\nN3 M30\n")), "read text");
            check(label_text(window, "characters_lbl") == QString::number(counts.characters),
                  "characters counter");
            check(label_text(window, "blocks_lbl") == QString::number(counts.blocks),
                  "blocks counter");
            check(label_text(window, "parity_lbl") == QStringLiteral("0"), "no parity errors");
            check(window.state_label()->text() == QStringLiteral("Reading"), "reading");
            window.feed_hold_button()->click();
            at_hold = window.monitor().counts().characters;
            step = 1;
        } else if (step == 1 && ++waited == 12) {  // 600 ms held
            check(window.state_label()->text() == QStringLiteral("Stopped"), "stopped");
            check(counts.characters <= at_hold + 1, "the flow stops on feed hold");
            check(window.cycle_start_button()->isEnabled(), "cycle start enabled");
            window.cycle_start_button()->click();
            step = 2;
        } else if (step == 2 && counts.characters > at_hold + 10) {
            window.code_box()->setCurrentIndex(odd_parity);
            emit window.code_box()->activated(odd_parity);  // as the user's choice
            at_hold = counts.characters;
            step = 3;
        } else if (step == 3 && counts.characters > at_hold + 10) {
            check(counts.parity_errors > 0, "parity errors under the wrong code");
            check(label_text(window, "parity_lbl") == QString::number(counts.parity_errors),
                  "parity counter");
            check(has_marked_text(*window.read_view()), "parity errors marked");
            window.reset_button()->click();
            check(window.monitor().counts().characters <= 1, "reset clears the counters");
            check(window.read_view()->toPlainText().size() <= 2, "reset clears the text");
            waited = 0;
            step = 4;
        } else if (step == 4 && ++waited == 8) {
            check(window.state_label()->text() == QStringLiteral("Stopped"), "reset stops");
            window.cycle_start_button()->click();
            at_hold = counts.characters;
            step = 5;
        } else if (step == 5 && counts.characters > at_hold + 10) {
            form.state().Sending_data = 0;  // no close warning
            form.close();
            step = 6;
        }
    });
    script.start();
    form.show();
    form.timer2().start();
    QTRY_VERIFY_WITH_TIMEOUT(ended, 30000);
    QCOMPARE(step, 6);
    QCOMPARE(failures.join(QStringLiteral(", ")), QString());
    window.poll();
    QCOMPARE(window.state_label()->text(), QStringLiteral("Not connected"));
}

void VirtualControlWindowTest::follows_a_reopened_port_and_a_released_one() {
    PortSettings device;
    SimulatedPort port(device);
    SimulatedPort* source = &port;
    VirtualControlWindow window([&] { return source; }, [] { return std::string("/nonexistent"); });
    window.poll();
    QCOMPARE(window.state_label()->text(), QStringLiteral("Not connected"));
    QVERIFY(port.port_open(0x378, 3).ok());
    for (const char c : std::string("N1\n")) clock_out(port, code_table()[ISO_even][c]);
    window.poll();
    QCOMPARE(window.read_view()->toPlainText(), QStringLiteral("N1\n"));
    QCOMPARE(label_text(window, "blocks_lbl"), QStringLiteral("1"));
    window.code_box()->setCurrentIndex(EIA_RS244);
    emit window.code_box()->activated(EIA_RS244);
    QCOMPARE(port.control()->settings().code, EIA_RS244);
    auto* match = window.findChild<QPushButton*>(QStringLiteral("match_device_btn"));
    match->click();
    QCOMPARE(port.control()->settings().code, ISO_even);
    QVERIFY(!match->isEnabled());
    window.code_box()->setCurrentIndex(EIA_RS244);
    emit window.code_box()->activated(EIA_RS244);

    QVERIFY(port.port_open(0x378, 3).ok());  // a new control, at the same address
    window.poll();
    QCOMPARE(window.read_view()->toPlainText(), QString());
    QCOMPARE(label_text(window, "characters_lbl"), QStringLiteral("0"));
    QCOMPARE(window.code_box()->currentIndex(), int(ISO_even));  // as the device again
    source = nullptr;
    window.poll();
    QCOMPARE(window.state_label()->text(), QStringLiteral("Not connected"));
    QVERIFY(!window.reset_button()->isEnabled());
}

void VirtualControlWindowTest::remembers_where_it_stood_and_only_hides() {
    QSettings(QStringLiteral("Feedrite"), QStringLiteral("Feedrite")).clear();
    QWidget main;
    main.setGeometry(20, 20, 300, 200);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect stood;
    {
        VirtualControlWindow window([] { return nullptr; }, [] { return std::string(); });
        window.place(main);
        QVERIFY(screen.intersects(window.frameGeometry()));
        window.show();
        window.setGeometry(60, 70, 700, 600);
        stood = window.geometry();
        QTest::qWait(700);  // the geometry is kept as it changes
        window.close();
        QVERIFY(!window.isVisible());
    }
    {
        VirtualControlWindow window([] { return nullptr; }, [] { return std::string(); });
        window.place(main);
        QCOMPARE(window.geometry(), stood);
        window.show();
        window.move(screen.right() + 4000, screen.bottom() + 4000);  // a screen since removed
        QTest::qWait(700);
    }
    {
        VirtualControlWindow window([] { return nullptr; }, [] { return std::string(); });
        window.place(main);
        window.show();
        window.move(screen.right() - 300, 70);  // left on a wider screen, partly past this one
        QTest::qWait(700);
    }
    {
        VirtualControlWindow window([] { return nullptr; }, [] { return std::string(); });
        window.place(main);
        QVERIFY2(screen.contains(window.frameGeometry()), "the whole window is on the screen");
        window.move(screen.right() + 4000, screen.bottom() + 4000);
        QTest::qWait(700);
    }
    VirtualControlWindow window([] { return nullptr; }, [] { return std::string(); });
    window.place(main);
    QVERIFY(screen.intersects(window.frameGeometry()));
}

QTEST_MAIN(VirtualControlWindowTest)
#include "virtual_control_window_test.moc"
