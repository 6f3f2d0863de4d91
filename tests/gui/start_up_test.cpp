// The main window as start-up leaves it, before the transmission begins.

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "app/feedrite_form.h"
#include "app/program_edit.h"
#include "app/status_panels.h"
#include "app/window_math.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void default_look_and_caption();
    void editor_settings_change_the_look();
    void start_timer_fires_once();
    void position_timer_follows_the_caret();
    void stall_timer_marks_the_window_idle();
    void resize_keeps_the_status_bar_along_the_bottom();

private:
    static StartRequest request(const char* path) {
        return read_command_line(std::string(path) + "|(default)|1");
    }
};

void StartUpTest::default_look_and_caption() {
    testing::TempDir dir;
    ModuleState module;
    module.CALL_expanded = true;
    FeedriteForm form(module, dir.path());
    form.start_up(request("/tmp/P.nc"));

    QCOMPARE(form.windowTitle(), QStringLiteral("Cutwave output of /tmp/P.nc  (BTR)"));
    QCOMPARE(form.text_view().text(), std::string("Loading..."));
    const QPalette palette = form.txtedit().palette();
    QCOMPARE(palette.color(QPalette::Text), QColor(0, 255, 0));
    QCOMPARE(palette.color(QPalette::Base), QColor(0, 0, 0));
    QCOMPARE(form.txtedit().font().pointSize(), 12);
    QCOMPARE(form.txtedit().model().caret(), TextPos(0));
    QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(form.txtedit().viewport()->cursor().shape(), Qt::WaitCursor);
    QVERIFY(form.txtedit().isReadOnly());

    const QStringList panels = {QStringLiteral("line pos.= 1"), QStringLiteral("byte pos. = 0"),
                                QStringLiteral("Search"), QStringLiteral("Reset"),
                                QStringLiteral("Edit")};
    for (int i = 1; i <= 5; ++i) QCOMPARE(form.status_bar().panel_text(i), panels[i - 1]);

    const WindowState& state = form.state();
    QCOMPARE(state.filename, std::string("/tmp/P.nc"));
    QCOMPARE(state.IO_device_name, std::string("(default)"));
    QVERIFY(!state.Binaryfile);
    QVERIFY(state.useCALLs);
    QVERIFY(!state.Edit_mode);
    QVERIFY(!module.CALL_expanded);
    QVERIFY(form.timer2().isActive());
    QCOMPARE(form.timer2().interval(), 100);
    QVERIFY(form.timer1().isActive());
    QVERIFY(!form.timer3().isActive());
}

void StartUpTest::editor_settings_change_the_look() {
    struct Case {
        const char* content;
        QColor text, base;
        int points;
    };
    const Case cases[] = {
        {"0\r\n0\r\n3\r\n", QColor(255, 0, 0), QColor(255, 255, 255), 19},
        {"2\r\n", QColor(0, 0, 255), QColor(0, 0, 0), 12},
        {"4\r\n2\r\n0\r\n", QColor(0, 0, 0), QColor(0, 0, 255), 10},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        dir.write("settings.edt", c.content);
        ModuleState module;
        FeedriteForm form(module, dir.path());
        form.start_up(request("P"));
        QCOMPARE(form.txtedit().palette().color(QPalette::Text), c.text);
        QCOMPARE(form.txtedit().palette().color(QPalette::Base), c.base);
        QCOMPARE(form.txtedit().font().pointSize(), c.points);
    }
}

void StartUpTest::start_timer_fires_once() {
    testing::TempDir dir;
    ModuleState module;
    FeedriteForm form(module, dir.path());
    QSignalSpy started(&form, &FeedriteForm::start_transmission);
    form.start_up(request("P"));
    form.show();
    form.resize(500, 400);  // events in the first 100 ms change nothing
    QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 2000);
    QTest::qWait(300);
    QCOMPARE(started.count(), 1);
    QVERIFY(!form.timer2().isActive());
}

void StartUpTest::position_timer_follows_the_caret() {
    testing::TempDir dir;
    ModuleState module;
    FeedriteForm form(module, dir.path());
    form.start_up(request("P"));
    form.text_view().set_text("N1\r\nN2\r\nN3\r\n");
    form.text_view().set_selection_start(8);
    QTRY_COMPARE_WITH_TIMEOUT(form.status_bar().panel_text(1), QStringLiteral("line pos.=3"), 1000);
    QCOMPARE(form.status_bar().panel_text(2), QStringLiteral("byte pos. =8"));
}

void StartUpTest::stall_timer_marks_the_window_idle() {
    testing::TempDir dir;
    ModuleState module;
    FeedriteForm form(module, dir.path());
    form.start_up(request("P"));
    form.timer3().setInterval(50);
    form.state().Sending_data = 1;
    form.host().set_stall_timer(true);
    QTRY_COMPARE_WITH_TIMEOUT(form.state().Sending_data, std::int16_t(0), 1000);
    QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(form.txtedit().viewport()->cursor().shape(), Qt::IBeamCursor);
    QVERIFY(form.timer3().isActive());  // it keeps firing until the engine stops it

    // Switching it on again while it runs must not restart its interval.
    form.timer3().setInterval(400);
    form.timer3().start();
    QTest::qWait(250);
    const int remaining = form.timer3().remainingTime();
    form.host().set_stall_timer(true);
    QVERIFY(form.timer3().remainingTime() <= remaining);
    form.host().set_stall_timer(false);
    QVERIFY(!form.timer3().isActive());
}

void StartUpTest::resize_keeps_the_status_bar_along_the_bottom() {
    testing::TempDir dir;
    ModuleState module;
    FeedriteForm form(module, dir.path());
    form.start_up(request("P"));
    form.show();
    const int bar = twips_to_pixels(status_bar_twips, form.logicalDpiY());
    form.resize(640, 480);
    QTRY_COMPARE(form.txtedit().height(), 480 - bar);
    QCOMPARE(form.txtedit().width(), 640);
    QCOMPARE(form.status_bar().geometry(), QRect(0, 480 - bar, 640, bar));
    // No room for the view: only its width changes.
    form.resize(300, bar);
    QTRY_COMPARE(form.txtedit().width(), 300);
    QCOMPARE(form.txtedit().height(), 480 - bar);
}

QTEST_MAIN(StartUpTest)
#include "start_up_test.moc"
