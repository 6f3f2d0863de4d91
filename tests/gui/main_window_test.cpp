// The operator's window: panels, edit mode and its key rules, closing, and a
// real transmission on the virtual port while the operator works the window.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/feedrite_form.h"
#include "app/program_edit.h"
#include "app/status_panels.h"
#include "app/warning_form.h"
#include "edit/search_dialog.h"
#include "tests/support/device_settings.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

namespace {

// A main window whose message boxes are answered by a script and whose end
// of the program is only noted.
struct Window {
    explicit Window(const std::string& program = "N1\r\nN2\r\nN3\r\n") {
        dir.write("part.nc", program);
        form.start_up(read_command_line(dir.file("part.nc") + "|(default)|1"));
        form.timer2().stop();  // no transmission unless a test starts one
        form.text_view().set_text(program);
        form.qt_host().answer_with([this](const std::string& text, const std::string& title,
                                          MessageIcon icon, MessageButtons buttons) {
            return recorder.message_box(text, title, icon, buttons);
        });
        form.qt_host().exit_with([this] { ended = true; });
    }
    void click_panel(int index) {
        QTest::mouseClick(form.status_bar().panel(index), Qt::LeftButton);
    }

    testing::TempDir dir;
    ModuleState module;
    FeedriteForm form{module, dir.path()};
    testing::ScriptedHost recorder;  // answers and records the message boxes
    bool ended = false;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void reset_only_while_no_data_flows();
    void edit_panel_toggles_edit_mode();
    void search_panel_finds_the_next_t_code();
    void keys_outside_and_inside_edit_mode();
    void close_while_sending_warns();
    void close_after_editing_asks_to_save();
    void close_when_idle_ends_at_once();
    void operator_works_the_window_during_a_transmission();
};

void MainWindowTest::reset_only_while_no_data_flows() {
    Window w;
    w.form.state().Sending_data = 1;
    w.click_panel(4);
    QCOMPARE(w.form.state().DNC_reset, std::int16_t(0));
    w.form.state().Sending_data = 0;
    w.click_panel(4);
    QCOMPARE(w.form.state().DNC_reset, std::int16_t(DNC_restart));
}

void MainWindowTest::edit_panel_toggles_edit_mode() {
    Window w;
    w.form.state().Sending_data = 1;  // works while sending too
    w.click_panel(5);
    QVERIFY(w.form.state().Edit_mode);
    QCOMPARE(w.form.status_bar().panel_text(5), QStringLiteral("End Edit"));
    QVERIFY(!w.form.txtedit().isReadOnly());
    w.click_panel(5);
    QVERIFY(!w.form.state().Edit_mode);
    QCOMPARE(w.form.status_bar().panel_text(5), QStringLiteral("Edit"));
    QVERIFY(w.form.txtedit().isReadOnly());
}

void MainWindowTest::search_panel_finds_the_next_t_code() {
    Window w("N1 G0\r\nN2 T2 M6\r\nN3\r\n");
    w.form.show();
    w.form.state().Sending_data = 1;
    w.click_panel(3);
    QVERIFY(w.form.search_dialog() == nullptr);  // not while data flows
    w.form.state().Sending_data = 0;
    QTimer::singleShot(0, &w.form, [&] {
        SearchDialog* dialog = w.form.search_dialog();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Search for ..."));
        dialog->findChild<QCheckBox*>(QStringLiteral("chk_tcode"))->click();
        QTest::keyClick(dialog, Qt::Key_F3);
    });
    w.click_panel(3);  // returns when the dialog is hidden again
    QVERIFY(!w.form.search_dialog()->isVisible());
    QCOMPARE(w.form.state().Live_DNC_startpoint, 7);  // the line holding T2
    QVERIFY(w.recorder.messages.empty());
}

void MainWindowTest::keys_outside_and_inside_edit_mode() {
    Window w;
    ProgramEdit& edit = w.form.txtedit();
    QTest::keyClick(&edit, Qt::Key_Down);
    QVERIFY(w.recorder.messages.empty());
    QCOMPARE(w.form.state().Live_DNC_startpoint, 4);  // highlighted on release

    QTest::keyClick(&edit, Qt::Key_Left);
    QCOMPARE(w.recorder.messages.size(), std::size_t(1));
    QCOMPARE(w.recorder.messages[0].title, std::string("Want to edit?"));

    w.click_panel(5);
    QTest::keyClick(&edit, Qt::Key_Z);
    QVERIFY(w.form.state().File_is_edited);
    QVERIFY(w.form.text_view().text().find('z') != std::string::npos);
    // A character without a Latin-1 code is not taken: it could not be sent.
    const std::string before = w.form.text_view().text();
    QTest::sendKeyEvent(QTest::Press, &edit, Qt::Key_unknown, QString(QChar(0x20AC)), Qt::NoModifier);
    QCOMPARE(w.form.text_view().text(), before);
}

void MainWindowTest::close_while_sending_warns() {
    Window w;
    w.form.show();
    w.form.state().Sending_data = 1;
    w.form.close();
    QVERIFY(!w.ended);
    Warning_form* warning = w.form.warning_form();
    QVERIFY(warning != nullptr && warning->isVisible());
    QCOMPARE(warning->windowTitle(), QStringLiteral("Close BTR window?"));
    QCOMPARE(warning->Label1()->text(),
             QStringLiteral("WARNING ... This BTR output window is\nsending data through the "
                            "parallel port.\nClose this BTR window anyway ?"));
    QTest::mouseClick(warning->Command2(), Qt::LeftButton);  // No
    QVERIFY(!warning->isVisible());
    QVERIFY(!w.ended);
    w.form.close();
    QTest::mouseClick(warning->Command1(), Qt::LeftButton);  // Yes
    QCOMPARE(w.form.state().Sending_data, std::int16_t(0));
    QVERIFY(w.ended);
}

void MainWindowTest::close_after_editing_asks_to_save() {
    struct Case {
        MessageAnswer answer;
        bool ended;
        std::string file;
    };
    const Case cases[] = {
        {MessageAnswer::Cancel, false, "N1\r\nN2\r\nN3\r\n"},
        {MessageAnswer::No, true, "N1\r\nN2\r\nN3\r\n"},
        {MessageAnswer::Yes, true, "EDITED\r\n"},
    };
    for (const Case& c : cases) {
        Window w;
        w.form.state().File_is_edited = true;
        w.form.text_view().set_text("EDITED\r\n");
        w.recorder.answers = {c.answer, MessageAnswer::Yes};  // the second: overwrite
        w.form.close();
        QCOMPARE(w.recorder.messages[0].title, std::string("Edited file"));
        QCOMPARE(w.recorder.messages[0].text, std::string("This file has been edited.\nDo you want to save it?"));
        QCOMPARE(w.ended, c.ended);
        QCOMPARE(w.dir.read("part.nc"), c.file);
    }
}

void MainWindowTest::close_when_idle_ends_at_once() {
    Window w;
    w.form.close();
    QVERIFY(w.ended);
    QVERIFY(w.recorder.messages.empty());
    QCOMPARE(w.form.state().DNC_reset, std::int16_t(DNC_closing));
    QVERIFY(!w.form.timer1().isActive());
}

void MainWindowTest::operator_works_the_window_during_a_transmission() {
    Window w("N1 X1\r\nN2 X2\r\nN3 M30\r\n");
    testing::DeviceSettings device;
    device.delay1 = 2000;
    device.delay2 = 1000;
    device.delay3 = 500;
    device.write(w.dir.path());
    QObject::connect(&w.form, &FeedriteForm::start_transmission, &w.form, &FeedriteForm::send_file);
    int edit_messages = 0;
    w.form.qt_host().answer_with([&](const std::string&, const std::string& title, MessageIcon,
                                     MessageButtons) {
        edit_messages += title == "Can't run DNC ..";
        return MessageAnswer::Ok;
    });
    // What the operator does while blocks go out, each inside the driver's yields.
    QTimer::singleShot(300, &w.form, [&] { w.click_panel(5); });   // edit mode: sending stops
    QTimer::singleShot(600, &w.form, [&] {
        QTest::keyClick(&w.form.txtedit(), Qt::Key_Home);
        w.click_panel(5);  // end edit: sending goes on
    });
    QTimer::singleShot(900, &w.form, [&] { w.form.close(); });  // data flows: the warning
    QTimer::singleShot(1000, &w.form, [&] {
        QVERIFY(!w.ended);
        QTest::mouseClick(w.form.warning_form()->Command1(), Qt::LeftButton);  // close anyway
    });
    w.form.show();
    w.form.timer2().start();
    QTRY_VERIFY_WITH_TIMEOUT(w.ended, 10000);
    QVERIFY(edit_messages > 0);
    QVERIFY(w.form.warning_form() != nullptr);
    QVERIFY(w.form.state().File_is_edited);
    QCOMPARE(w.form.state().DNC_reset, std::int16_t(DNC_closing));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
