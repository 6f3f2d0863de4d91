// SPDX-License-Identifier: GPL-3.0-or-later
// The "Virtual control" window on its own: a re-opened port, its settings
// changed live, and where the window stands. Reading a real transmission is
// driven with the main window in main_window_test.

#include "gui/virtual_control_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>
#include <memory>

#include "config/window_places.h"
#include "sim/simulated_port.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

namespace {

// Writes one character to the port with the positive sequence.
void clock_out(SimulatedPort& port, int code) {
    port.port_write(0, code);
    port.port_write(2, (port.port_read(2) | 0x04) & 0xC7);
    port.port_write(2, (port.port_read(2) | 0x08) & 0xCB);
    port.port_write(0, 0);
}

void choose_code(VirtualControlWindow& window, CodeSet code) {
    window.code_box()->setCurrentIndex(code);
    emit window.code_box()->activated(code);  // as the user's choice
}

}  // namespace

class VirtualControlWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The window's reading and counters are driven in main_window_test.
    void follows_a_reopened_port_and_a_released_one() {
        PortSettings device;
        SimulatedPort port(device);
        SimulatedPort* source = &port;
        VirtualControlWindow window([&] { return source; });
        QVERIFY(port.port_open(0x378, 3).ok());
        for (const char c : std::string("N1\n")) clock_out(port, code_table()[ISO_even][c]);
        window.poll();
        QCOMPARE(window.read_view()->toPlainText(), QStringLiteral("N1\n"));
        window.feed_hold_button()->click();
        QVERIFY(!port.control()->in_run());
        QCOMPARE(window.state_label()->text(), QStringLiteral("Stopped"));
        window.cycle_start_button()->click();
        QVERIFY(port.control()->in_run());
        QVERIFY(!window.read_view()->document()->toHtml().contains(u"background-color"));
        choose_code(window, EIA_RS244);
        clock_out(port, code_table()[ISO_even]['G']);  // read as EIA: a parity error, marked
        window.poll();
        QVERIFY(window.read_view()->document()->toHtml().contains(u"background-color"));
        QCOMPARE(port.control()->settings().code, EIA_RS244);
        auto* match = window.findChild<QPushButton*>(QStringLiteral("match_device_btn"));
        match->click();
        QCOMPARE(port.control()->settings().code, ISO_even);
        QVERIFY(!match->isEnabled());
        choose_code(window, EIA_RS244);

        QVERIFY(port.port_open(0x378, 3).ok());  // a new control, at the same address
        window.poll();
        QCOMPARE(window.read_view()->toPlainText(), QString());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("characters_lbl"))->text(), u"0");
        QCOMPARE(window.code_box()->currentIndex(), int(ISO_even));  // as the device again
        source = nullptr;
        window.poll();
        QCOMPARE(window.state_label()->text(), QStringLiteral("Not connected"));
        QVERIFY(!window.reset_button()->isEnabled());
    }

    // Each window is made anew, as when the program starts again.
    // Long times measured never widen the window off the screen.
    void long_timing_values_keep_the_width() {
        VirtualControlWindow window([] { return nullptr; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int width = window.width();
        for (auto* box : window.findChildren<QGroupBox*>())
            if (box->title().startsWith(u"Timing"))
                for (QLabel* value : box->findChildren<QLabel*>())
                    if (value->textInteractionFlags() & Qt::TextSelectableByMouse)
                        value->setText(QStringLiteral("1234567890123.456"));
        QTest::qWait(100);  // the layout's request is handled
        QCOMPARE(window.width(), width);
    }

    void remembers_where_it_stood_and_only_hides() {
        testing::TempDir dir;
        QWidget main;
        main.setGeometry(20, 20, 300, 200);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        std::unique_ptr<VirtualControlWindow> window;
        const auto reopen = [&] {
            window = std::make_unique<VirtualControlWindow>([] { return nullptr; });
            window->keep_place_in(dir.path());
            window->place(main);
        };
        reopen();  // nothing kept: beside the main window, as a window left off the screen
        // Closed where it stood; left on a screen since removed; left on a
        // wider screen, partly past this one: then the whole window comes back.
        const QPoint left_at[] = {
            {60, 70}, {screen.right() + 4000, screen.bottom() + 4000}, {screen.right() - 300, 70}};
        for (const QPoint at : left_at) {
            window->show();
            window->setGeometry(QRect(at, QSize(700, 600)));
            QTest::qWait(700);  // the geometry is kept as it changes
            const QRect stood = window->geometry();
            if (at == left_at[0]) window->close();
            QCOMPARE(window->isVisible(), at != left_at[0]);
            reopen();
            if (at == left_at[0])
                QCOMPARE(window->geometry(), stood);
            else
                QVERIFY(screen.contains(window->frameGeometry()));
        }
        // Only hidden beside another window; the last window closes, so that a
        // pin test's companion ends the program with it.
        for (const bool main_shown : {true, false}) {
            main.setVisible(main_shown);
            window->show();
            QCloseEvent close;
            QApplication::sendEvent(window.get(), &close);
            QCOMPARE(close.isAccepted(), !main_shown);
        }
        // Kept smaller than the layout now needs, near the right edge: all on the screen.
        WindowPlaces places = read_window_places(dir.path());
        places.control->width = places.control->height = 100;
        write_window_places(dir.path(), places);
        reopen();
        window->show();
        QVERIFY(screen.contains(window->geometry()));
    }
};

QTEST_MAIN(VirtualControlWindowTest)
#include "virtual_control_window_test.moc"
