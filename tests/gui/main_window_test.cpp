// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's window: start-up, panels, keys, closing, transmissions on the
// virtual port read by the virtual control while the operator works both, the
// search dialog, the run history through Qt's JSON, and signals turned into an
// orderly end.

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>

#include "config/settings_paths.h"
#include "core/window_math.h"
#include "gui/feedrite_form.h"
#include "gui/program_edit.h"
#include "gui/program_watch.h"
#include "gui/progress_bar.h"
#include "gui/qt_text_view.h"
#include "gui/resume_dialog.h"
#include "gui/run_history.h"
#include "gui/search_dialog.h"
#include "gui/signal_watch.h"
#include "gui/status_panels.h"
#include "gui/virtual_control_window.h"
#include "gui/warning_form.h"
#include "resume/resume_journal.h"
#include "sim/control_cable.h"
#include "tests/support/device_settings.h"
#include "tests/support/scripted_host.h"
#include "tests/support/session_probe.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

namespace {

// A main window on `program` whose message boxes are answered by a script and
// whose end of the program is only noted. Held: no transmission unless a test
// starts Timer2, and the program already in the view.
struct Window {
    explicit Window(const std::string& program = "N1\r\nN2\r\nN3\r\n", bool held = true,
                    const char* editor_settings = nullptr, PortKind kind = PortKind::Virtual)
        : form(module, dir.path(), kind) {
        device.delay1 = 400;
        device.delay2 = 200;
        device.delay3 = 100;
        dir.write("part.nc", program);
        if (editor_settings) dir.write("settings.edt", editor_settings);
        // The crash record goes here, never to the user's own.
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(dir.file("state")));
        form.start_up(read_command_line(dir.file("part.nc") + "|(default)|1"));
        form.qt_host().answer_with([this](const std::string& text, const std::string& title,
                                          MessageIcon icon, MessageButtons buttons) {
            return recorder.message_box(text, title, icon, buttons);
        });
        form.qt_host().exit_with([this] { ended = true; });
        if (!held) return;
        form.timer2().stop();
        form.text_view().set_text(program);
        SessionProbe::state(form.session()).view_holds_report = false;  // as after a load
    }
    void click_panel(int index) {
        QTest::mouseClick(form.status_bar().panel(index), Qt::LeftButton);
    }
    WindowState& state() { return SessionProbe::state(form.session()); }
    // Sends the program on the virtual port, `tick` run every `ms` meanwhile
    // (inside the send driver's yields, as clicks would); true once ended.
    bool transmit(int ms, const std::function<void()>& tick, int timeout_ms) {
        device.write(dir.path());
        QTimer script;
        QObject::connect(&script, &QTimer::timeout, &form, tick);
        script.start(ms);
        QObject::connect(&form, &FeedriteForm::start_transmission, &form, &FeedriteForm::send_file);
        form.show();
        form.timer2().start();
        return QTest::qWaitFor([this] { return ended; }, timeout_ms);
    }

    testing::TempDir dir;
    ModuleState module{.CALL_expanded = true};  // start-up clears it
    testing::DeviceSettings device;
    FeedriteForm form;
    ProgramEdit& edit = form.txtedit();
    testing::ScriptedHost recorder;
    bool ended = false;
};

struct Search {
    ProgramEdit edit;
    QtTextView view{edit};
    WindowState state;
    testing::ScriptedHost host;
    SearchDialog dialog{
        view, [this](const SearchSettings& s) { return run_search(s, view, state, host); }, host};

    Search() {
        view.set_text("N1 G0\r\nN2 T1 M6\r\nN3 S900\r\n");  // lines at 0, 7 and 17
        dialog.show();
    }
    template <typename W = QCheckBox>
    W* find(const char* name) {
        return dialog.findChild<W*>(QString::fromLatin1(name));
    }
    QLineEdit* text() { return find<QLineEdit>("Search_txt"); }
};

class FakeLock final : public SleepInhibitor {
  public:
    std::optional<std::string> take() override {
        ++takes;
        return std::nullopt;
    }
    void release() override { ++releases; }
    int takes = 0, releases = 0;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The look start-up leaves (the editor settings' codes are tested in the core,
    // here that one reaches the view), the layout on a resize; then Timer1 shows
    // the caret, Timer2 starts the transmission, Timer3 marks a stalled window idle.
    void start_up_look_and_timers() {
        Window w("", false, "0\r\n0\r\n3\r\n");
        FeedriteForm& form = w.form;
        QSignalSpy started(&form, &FeedriteForm::start_transmission);
        // On the virtual port the window says it is a simulation.
        QCOMPARE(form.windowTitle(), QString::fromStdString("Simulation - Cutwave output of " +
                                                            w.dir.file("part.nc") + "  (BTR)"));
        QVERIFY(!form.status_bar().simulation_panel()->isHidden());
        QCOMPARE(form.text_view().text(), std::string("Loading..."));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QVERIFY(w.edit.is_read_only());
        const char* const panels[] = {"line pos.= 1", "byte pos. = 0", "Search", "Reset", "Edit"};
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(form.status_bar().panel_text(i), QString::fromLatin1(panels[i - 1]));
        QVERIFY(!w.module.CALL_expanded);
        QCOMPARE(w.edit.palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(w.edit.font().pointSize(), 19);

        form.toolpath_action().setChecked(false);  // the view alone takes the width
        form.show();
        form.resize(500, 400);  // events in the first 100 ms change nothing
        const int bar = twips_to_pixels(status_bar_twips, form.logicalDpiY());
        const int progress = form.progress_bar().preferred_height();
        QTRY_COMPARE(w.edit.geometry(), QRect(0, 0, 500, 400 - bar - progress));
        QCOMPARE(form.progress_bar().geometry(), QRect(0, 400 - bar - progress, 500, progress));
        QCOMPARE(form.status_bar().geometry(), QRect(0, 400 - bar, 500, bar));
        form.text_view().set_text("N1\r\nN2\r\nN3\r\n");
        form.text_view().set_selection_start(8);
        QTRY_COMPARE_WITH_TIMEOUT(form.status_bar().panel_text(1), QStringLiteral("line pos.=3"),
                                  1000);
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 2000);
        form.timer3().setInterval(50);
        w.state().Sending_data = 1;
        form.host().set_stall_timer(true);
        QTRY_COMPARE_WITH_TIMEOUT(w.state().Sending_data, std::int16_t(0), 1000);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(w.edit.viewport()->cursor().shape(), Qt::IBeamCursor);
    }

    // Reset and Search act only while no data flows, Edit always; the search
    // itself and the edit-mode rules are tested in the core.
    void panels_reset_search_and_edit() {
        Window w("N1 G0\r\nN2 T2 M6\r\nN3\r\n");
        w.form.show();
        w.state().Sending_data = 1;
        w.click_panel(4);
        w.click_panel(3);
        QCOMPARE(w.state().DNC_reset, std::int16_t(0));
        QVERIFY(w.form.search_dialog() == nullptr);
        w.click_panel(5);
        QVERIFY(w.state().Edit_mode && !w.edit.is_read_only());
        QCOMPARE(w.form.status_bar().panel_text(5), QStringLiteral("End Edit"));
        w.click_panel(5);
        w.state().Sending_data = 0;
        w.click_panel(4);
        QCOMPARE(w.state().DNC_reset, std::int16_t(DNC_restart));
        QTimer::singleShot(0, &w.form, [&] {
            SearchDialog* dialog = w.form.search_dialog();
            dialog->findChild<QCheckBox*>(QStringLiteral("chk_tcode"))->click();
            QTest::keyClick(dialog, Qt::Key_F3);
        });
        w.click_panel(3);  // returns when the dialog is hidden again
        QCOMPARE(w.state().Live_DNC_startpoint, 7);
    }

    // Keys reach the core's rules (a refused one: next test); typing, a drop
    // and undo each mark the text edited for saving.
    void keys_and_changes_in_and_outside_edit_mode() {
        Window w;
        QTest::keyClick(&w.edit, Qt::Key_Down);
        QCOMPARE(w.state().Live_DNC_startpoint, 4);  // highlighted on release
        w.click_panel(5);
        const std::string before = w.form.text_view().text();  // no Latin-1 code: not sendable
        QTest::sendKeyEvent(QTest::Press, &w.edit, Qt::Key_unknown, QString(QChar(0x20AC)), {});
        QCOMPARE(w.form.text_view().text(), before);
        QMimeData mime;
        mime.setText(QStringLiteral("D"));
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, {});
        const std::function<void()> changes[] = {
            [&] { QTest::keyClick(&w.edit, Qt::Key_Z); },
            [&] {
                QCoreApplication::sendEvent(w.edit.viewport(), &enter);
                QCoreApplication::sendEvent(w.edit.viewport(), &drop);
            },
            [&] { QTest::keyClick(&w.edit, Qt::Key_Z, Qt::ControlModifier); }};
        for (const auto& change : changes) {
            w.state().File_is_edited = false;
            const std::string text = w.form.text_view().text();
            change();
            QVERIFY(w.form.text_view().text() != text && w.state().File_is_edited);
        }
    }

    // A long message: its lines are broken at blanks before the box sees
    // them, so the box never wraps it itself (which broke "--check-port" at
    // its hyphen) and every word arrives whole.
    void a_box_never_breaks_a_command() {
        Window w;
        w.form.show();
        w.form.qt_host().answer_with(nullptr);
        std::string text = "No driver answers on /dev/parport0.";
        for (int i = 0; i < 6; ++i)
            text += " Run feedrite-config --check-port and sudo modprobe -a parport_pc ppdev.";
        w.form.host().notice(text + "\nThe end.", "BTR port error", MessageIcon::None);
        auto* box = w.form.findChild<QMessageBox*>();
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label != nullptr && !label->wordWrap());
        QVERIFY(label->text().count(QLatin1Char('\n')) > 2);
        QCOMPARE(label->text().replace(QLatin1Char('\n'), QLatin1Char(' ')),
                 QString::fromStdString(text + " The end."));
        box->close();
    }

    // A stray key raises a notice that stops nothing: one box, not modal;
    // real boxes block the main window only, never the Virtual control.
    void boxes_stop_nothing_but_the_main_window() {
        Window w;
        w.form.show();
        w.form.qt_host().answer_with(nullptr);
        QTest::keyClick(&w.edit, Qt::Key_Left);
        QTest::keyClick(&w.edit, Qt::Key_X);
        const auto boxes = w.form.findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), qsizetype(1));
        QVERIFY(boxes[0]->isVisible() && boxes[0]->windowModality() == Qt::NonModal);
        boxes[0]->close();

        Qt::WindowModality modality = Qt::NonModal;
        QTimer::singleShot(0, &w.form, [&] {
            if (QWidget* box = QApplication::activeModalWidget())
                modality = box->windowModality(), box->close();
        });
        w.form.host().message_box("text", "Search message:", MessageIcon::None, MessageButtons::Ok);
        QCOMPARE(modality, Qt::WindowModal);

        // A question waits for no one: Yes, or No when closed; a notice put in
        // its place withdraws it unanswered.
        QList<MessageAnswer> answers;
        const auto shown = [&] {
            for (QMessageBox* box : w.form.findChildren<QMessageBox*>())
                if (box->isVisible()) return box;
            return static_cast<QMessageBox*>(nullptr);
        };
        for (const bool close : {false, true, false}) {
            w.form.host().ask_without_waiting("Resume?", "Resume", MessageIcon::None,
                                              [&](MessageAnswer a) { answers << a; });
            QMessageBox* box = shown();
            QVERIFY(box && box->windowModality() == Qt::NonModal);
            if (close)
                box->close();
            else if (answers.empty())
                box->button(QMessageBox::Yes)->click();
            else
                w.form.host().notice("Withdrawn", "Resume", MessageIcon::None);
        }
        QCOMPARE(answers, (QList<MessageAnswer>{MessageAnswer::Yes, MessageAnswer::No}));
        QCOMPARE(shown()->text(), QStringLiteral("Withdrawn"));
    }

    // In the main window's 493 px at 1024x768 the detail keeps whole parts: the
    // last ones are left out, never cut ("mac…").
    void a_narrow_bar_shows_whole_parts_of_the_detail() {
        ProgressBar bar;
        ProgressFigures f;
        f.state = ShownState::Sending, f.place = 14, f.places = 118000, f.elapsed = 4000.0;
        f.cycles = 6, f.last_cycle = 7000.0, f.machining = 36000.0, f.waits = 120.0;
        f.wait_blocks = 1234;
        bar.show_figures(f);
        const std::vector<std::string>& parts = bar.texts().detail_parts;
        QCOMPARE(parts.size(), std::size_t{4});
        for (const int width : {260, 900}) {
            const std::string shown = bar.shown_detail(width).toStdString();
            QVERIFY2(shown == join_detail(parts, 1) || shown == join_detail(parts, 2) ||
                         shown == join_detail(parts, 3) || shown == join_detail(parts, 4),
                     shown.c_str());
            QCOMPARE(shown == bar.texts().detail, width == 900);
        }
    }

    // Saving itself is tested in the core; here, what closing asks and does.
    void close_when_idle_or_after_editing() {
        const std::string asked = "This file has been edited.\nDo you want to save it?";
        // edited, the answer, whether the window ends, the file then
        const std::tuple<bool, MessageAnswer, bool, std::string> cases[] = {
            {false, MessageAnswer::Cancel, true, "N1\r\nN2\r\nN3\r\n"},  // nothing asked
            {true, MessageAnswer::Cancel, false, "N1\r\nN2\r\nN3\r\n"},
            {true, MessageAnswer::No, true, "N1\r\nN2\r\nN3\r\n"},
            {true, MessageAnswer::Yes, true, "EDITED\r\n"},
        };
        for (const auto& [edited, answer, ended, file] : cases) {
            Window w;
            w.state().File_is_edited = edited;
            w.form.text_view().set_text("EDITED\r\n");
            w.recorder.answers = {answer, MessageAnswer::Yes};  // the second: overwrite
            w.form.close();
            QCOMPARE(w.recorder.messages.empty() ? std::string() : w.recorder.messages[0].text,
                     edited ? asked : std::string());
            QCOMPARE(w.ended, ended);
            QCOMPARE(w.state().DNC_reset, std::int16_t(ended ? DNC_closing : 0));
            QCOMPARE(w.dir.read("part.nc"), file);
        }
    }

    // A save that fails at close (the disk full, the folder gone) never loses
    // the edits unasked: they go to another file, or the window stays open.
    void a_failed_save_at_close_offers_another_file() {
        using A = MessageAnswer;
        // the answer after the failure, the file chosen, whether the window ends
        const std::tuple<A, const char*, bool> cases[] = {
            {A::Cancel, "", false}, {A::No, "", true}, {A::Yes, "copy.nc", true}};
        for (const auto& [answer, chosen, ended] : cases) {
            Window w;
            w.state().File_is_edited = true;
            w.state().filename = w.dir.file("gone/part.nc");
            w.form.text_view().set_text("EDITED\r\n");
            w.form.choose_save_path_with(
                [&w, chosen](const std::string&) { return *chosen ? w.dir.file(chosen) : ""; });
            w.recorder.answers = {A::Yes, A::Ok, answer};
            w.form.close();
            QCOMPARE(w.recorder.messages.size(), std::size_t{3});
            QCOMPARE(w.recorder.messages[2].text.rfind("The edits are not saved.", 0), 0u);
            QCOMPARE(w.ended, ended);
            if (*chosen) QCOMPARE(w.dir.read(chosen), std::string("EDITED\r\n"));
        }
    }

    void captions_tab_order_and_initial_state() {
        Search f;
        QCOMPARE(f.dialog.windowTitle(), QStringLiteral("Search for ..."));
        const char* const captions[][2] = {{"Search_txt", ""},
                                           {"chk_tcode", "Next T-code"},
                                           {"chk_scode", "Next S-code"},
                                           {"chk_from_beginning", "From beginning"},
                                           {"chk_match_case", "Match case"},
                                           {"Chk_from_cursor_fwd", "From cursur pos."},
                                           {"search_button", "Search"},
                                           {"Cancel_button", "Cancel"}};
        QWidget* w = f.text();
        for (const auto& [name, caption] : captions) {  // in tab order
            QCOMPARE(w->objectName(), QString::fromLatin1(name));
            const auto* button = qobject_cast<QAbstractButton*>(w);
            QCOMPARE(button ? button->text() : f.text()->text(), QString::fromLatin1(caption));
            if (button)
                QCOMPARE(button->isChecked(), w->objectName().startsWith(u"Chk_from_cursor"));
            do w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
        }
        QCOMPARE(f.find<QLabel>("Label1")->text(), QStringLiteral("Search for:"));
        QCOMPARE(f.find<QLabel>("Label2")->text(), QStringLiteral("Other:"));
        // Typing reaches the box rules (tested in the core): it unticks S.
        f.find("chk_scode")->click();
        QTest::keyClick(f.text(), Qt::Key_A);
        QVERIFY(!f.find("chk_scode")->isChecked());
    }

    void enter_f3_and_escape() {
        Search f;
        QTest::keyClick(f.text(), Qt::Key_Return);  // nothing to search for: a beep, still open
        QVERIFY(f.dialog.isVisible() && f.host.beeps == 1);
        QTest::keyClicks(f.text(), QStringLiteral("s9"));
        QTest::keyClick(f.text(), Qt::Key_Return);
        QVERIFY(!f.dialog.isVisible());
        QCOMPARE(f.state.Live_DNC_startpoint, 17);
        f.dialog.show();  // settings kept: F3 on any control finds nothing more
        QTest::keyClick(f.find<QPushButton>("Cancel_button"), Qt::Key_F3);
        QCOMPARE(f.host.messages.size(), std::size_t(1));
        f.dialog.show();
        QTest::keyClick(f.find("chk_scode"), Qt::Key_Escape);
        QVERIFY(!f.dialog.isVisible());
        QCOMPARE(f.host.messages.size(), std::size_t(1));  // none from Esc: no search
    }

    // Centred on the main window's right edge (the screen cap is tested in the core).
    void opens_modally_beside_the_main_window() {
        Search f;
        f.dialog.hide();
        QWidget main;
        main.setGeometry(100, 50, 400, 300);
        main.show();
        QRect shown;
        QTimer::singleShot(0, &f.dialog, [&] {
            if (QApplication::activeModalWidget() == &f.dialog) shown = f.dialog.frameGeometry();
            f.find<QPushButton>("Cancel_button")->click();
        });
        f.dialog.show_modal_beside(main);
        const QRect frame = main.frameGeometry();
        QCOMPARE(shown.top(), frame.top());
        QCOMPARE(shown.left() + shown.width() / 2, frame.right() + 1);
    }

    // Closing while data flows warns; meanwhile the timing panel and the
    // progress follow the run. The Virtual control's buttons are driven in
    // virtual_control_window_test, what the control reads in the resume test.
    void a_transmission_warns_on_close() {
        Window w("N1 X1\r\nN2 X2\r\nN3 M30\r\n");
        QStringList failures;
        const auto check = [&](bool ok, const char* what) {
            if (!ok) failures << QString::fromLatin1(what);
        };
        int step = 0;
        const auto tick = [&] {
            w.form.show_progress();
            const ShownState shown = w.form.progress_bar().state();
            const QString timing = w.form.status_bar().timing_panel()->text();
            if (step == 0 && !timing.isEmpty() && w.state().Sending_data == 1) {
                // On a loaded machine the panel may rightly say the PC was too busy.
                check(timing.contains(u" cps") || timing.startsWith(u"PC too busy"),
                      "timing panel");
                // Each M30 passes through the restart point's wait for the control.
                check(shown == ShownState::Sending || shown == ShownState::Waiting, "sending");
                w.form.close();  // data flows (not at the restart point): the warning
                step = 1;
            } else if (step == 1) {
                Warning_form* warning = w.form.warning_form();
                check(!w.ended && warning->isVisible(), "close warns");
                check(warning->windowTitle() == QStringLiteral("Close BTR window?") &&
                          warning->Label1()->text() ==
                              QStringLiteral("WARNING ... This BTR output window is\nsending data "
                                             "through the virtual port.\nClose this BTR window "
                                             "anyway ?"),
                      "the warning");
                QTest::keyClick(warning, Qt::Key_Return);  // No: one key must not stop the tape
                check(!warning->isVisible() && !w.ended, "Enter is No");
                step = 2;
            } else if (step == 2 && w.state().Sending_data == 1) {
                w.form.close();
                step = 3;
            } else if (step == 3) {
                QTest::mouseClick(w.form.warning_form()->Command1(), Qt::LeftButton);  // Yes
                step = 4;
            }
        };
        QVERIFY(w.transmit(50, tick, 30000));
        QCOMPARE(step, 4);
        QCOMPARE(failures.join(QStringLiteral(", ")), QString());
    }

    // A port that will not open leads to the Virtual control: asked after the
    // port's box, the window then sends there and says it is a simulation,
    // and the history marks the run. Declined, the view says what to do and
    // the history keeps the port's error.
    void a_port_that_will_not_open_leads_to_the_virtual_control() {
        for (const bool yes : {true, false}) {
            Window w("N1 X1\r\nN2 M30\r\n", false, nullptr, PortKind::Ppdev);
            w.device.address = 0x2BC;  // no PC has a port there: nothing real is touched
            const std::string history = w.dir.file("state/history.jsonl");
            w.form.keep_history(history);
            QVERIFY(w.form.windowTitle().startsWith(QStringLiteral("Cutwave output of ")));
            QVERIFY(w.form.status_bar().simulation_panel()->isHidden());
            int controls = 0;
            w.form.offer_simulation_with([&controls] { ++controls; });
            w.recorder.answers = {MessageAnswer::No, yes ? MessageAnswer::Yes : MessageAnswer::No};
            const auto tick = [&] {
                if (w.state().run.phase == RunPhase::PortError && !w.ended) w.form.close();
                if (w.state().run.blocks_sent >= 2 && !w.ended) w.form.end_on_signal("SIGTERM");
            };
            QVERIFY(w.transmit(20, tick, 10000));
            QCOMPARE(w.recorder.messages.size(), std::size_t(2));
            QCOMPARE(w.recorder.messages[1].title, std::string("Try it on the Virtual control"));
            QCOMPARE(controls, yes ? 1 : 0);
            QCOMPARE(w.form.windowTitle().startsWith(QStringLiteral("Simulation - ")), yes);
            QCOMPARE(w.form.status_bar().simulation_panel()->isHidden(), !yes);
            const RunRecord run = read_history(history).at(0);
            QCOMPARE(run.simulated, yes);
            if (yes) continue;
            QVERIFY(w.form.text_view().text().find("feedrite --simulate --open") !=
                    std::string::npos);
            QVERIFY(run.end == EndReason::PortError);
            QVERIFY2(run.end_detail.starts_with("No parallel port at address 2BC"),
                     run.end_detail.c_str());
        }
    }

    // An open run stores nulls for what it lacks; the end's names are read in
    // run_record_test. Read from a file, a torn last line hides nothing: the
    // open run is taken for crashed (pid 1 is no feedrite), not closed.
    void records_survive_the_round_trip_and_a_torn_line() {
        QByteArray history;
        for (const bool open : {true, false}) {
            RunRecord r;
            r.id = "1-1700000000123", r.pid = 1, r.start_ms = 1700000000123;
            r.updated_ms = r.start_ms + 5000;
            r.device = "LATHE 2";
            r.program = "/shop/\"odd\" name\\part.nc";  // JSON escapes these, we do not
            r.cycles = 3, r.characters = 123456789012, r.blocks = 4567, r.stops = 2;
            if (!open) {
                r.end_ms = r.updated_ms, r.end = EndReason::Signal, r.end_detail = "SIGHUP";
                r.program_size = 7030819, r.sha256 = std::string(64, 'a');
                r.timing = {{"lengthened_share", 0.25}};
            }
            const QByteArray line = record_line(r);
            QVERIFY(!line.contains('\n'));
            const std::optional<RunRecord> back = read_record_line(line);
            QVERIFY(back.has_value());
            QCOMPARE(record_line(*back), line);
            QVERIFY(!read_record_line(line.left(line.size() - 1)));  // torn
            history += open ? line + '\n' : line.left(30);
        }
        testing::TempDir dir;
        const auto runs = read_history(dir.write("history.jsonl", history.toStdString()));
        QCOMPARE(runs.size(), std::size_t(1));
        QCOMPARE(runs[0].end, EndReason::Crash);
        // Numbers past 64 bits read as missing, never through an undefined conversion.
        const auto huge = read_record_line(
            R"({"id":"1","start":"2023-11-14T22:13:20.123Z","cycles":1e300,"size":-1e300})");
        QVERIFY(huge && huge->cycles == 0 && huge->program_size == -1);
    }

    // Listing reads only the end of the history, reaching into the rotated
    // file when the current one holds less; a line cut by the bound is left out.
    void history_is_read_from_its_end() {
        testing::TempDir dir;
        QByteArray lines[2];  // history.jsonl.1: runs 1 to 3; history.jsonl: 4 and 5
        for (int i = 1; i <= 5; ++i) {
            RunRecord r;
            r.id = std::to_string(i), r.start_ms = r.end_ms = 1700000000000 + i;
            lines[i / 4] += record_line(r) + '\n';
        }
        dir.write("history.jsonl.1", lines[0].toStdString());
        const std::int64_t line = lines[1].size() / 2;
        for (const auto& [tail, ids] : {std::pair{std::int64_t{1} << 20, "12345"},
                                        {line * 2, "45"},
                                        {line * 3 + line / 2, "345"}}) {
            std::string read;
            const std::string path = dir.write("history.jsonl", lines[1].toStdString());
            for (const RunRecord& run : read_history(path, tail)) read += run.id;
            std::sort(read.begin(), read.end());
            QCOMPARE(read, std::string(ids));
        }
    }

    void a_signal_arrives_on_the_event_loop() {
        for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
            SignalWatch watch;
            QSignalSpy ending(&watch, &SignalWatch::ending);
            std::raise(number);
            QTRY_COMPARE(ending.count(), 1);
            QCOMPARE(ending.at(0).at(0).toString().toStdString(), signal_name(number));
        }
    }

    // A signal mid-block: no close questions although data flows and the
    // text was edited; the port released, the record closed, the lock freed,
    // and no line left to resume at, since the edits were not saved.
    void a_signal_ends_the_run_in_order() {
        const std::string program = "N1 X1\r\nN2 X2\r\nN3 M30\r\n";
        Window w(program);
        const std::string history = w.dir.file("state/history.jsonl");
        w.form.keep_history(history);
        auto lock = std::make_unique<FakeLock>();
        FakeLock& held = *lock;
        w.form.keep_awake_with(std::move(lock), std::cerr);
        std::int64_t edited_at = -1;
        const auto tick = [&] {
            const std::int64_t sent = w.state().run.blocks_sent;
            if (edited_at < 0 && sent >= 2) edited_at = sent, w.state().File_is_edited = true;
            // Mid-cycle, so that data flows: at the restart point it does not.
            if (edited_at < 0 || sent < edited_at + 2 || w.state().Sending_data != 1 ||
                held.takes == 0 || w.ended)
                return;
            w.form.end_on_signal("SIGTERM");
        };
        QVERIFY(w.transmit(20, tick, 10000));
        QVERIFY(w.recorder.messages.empty() && w.form.warning_form() == nullptr);
        QVERIFY(w.form.control_cable() == nullptr);
        QVERIFY(held.takes == 1 && held.releases == 1);
        const auto journal = read_resume_record(resume_journal_path(default_device_name));
        QCOMPARE(journal.value_or(ResumeRecord{}).line, std::int64_t(0));
        const std::vector<RunRecord> runs = read_history(history);
        QCOMPARE(runs.size(), std::size_t(1));
        QVERIFY(runs[0].end == EndReason::Signal && runs[0].end_detail == "SIGTERM");
        QCOMPARE(runs[0].sha256 + ":" + std::to_string(runs[0].program_size),
                 file_digest(w.dir.file("part.nc"))->first + ":" + std::to_string(program.size()));
        QVERIFY(runs[0].blocks >= 2 && runs[0].characters > runs[0].blocks);
        // Said before the orderly end too, in case a second signal cuts it short.
        const auto lines = QByteArray::fromStdString(w.dir.read("state/history.jsonl")).split('\n');
        QCOMPARE(read_record_line(lines.at(lines.size() - 3))->end, EndReason::Signal);
        QVERIFY(std::ranges::any_of(runs[0].timing, [](const TimingFigure& f) {
            return f.name == "sprocket on shortest ms" && f.value >= 2.2;  // the guard's set time
        }));
    }

    // A second signal before the loop has read the first (raise() runs the
    // handler at once) waits for the orderly end to record the run: no crash.
    void two_signals_in_a_row_end_as_a_signal() {
        Window w("N1 X1\r\nN2 X2\r\nN3 M30\r\n");
        const std::string history = w.dir.file("state/history.jsonl");
        w.form.keep_history(history);
        SignalWatch watch;
        QObject::connect(&watch, &SignalWatch::ending, &w.form,
                         [&w](const QString& name) { w.form.end_on_signal(name.toStdString()); });
        const auto tick = [&] {
            if (w.state().run.blocks_sent < 2 || w.ended) return;
            std::raise(SIGTERM);
            std::raise(SIGTERM);
        };
        QVERIFY(w.transmit(20, tick, 10000));
        QCOMPARE(end_reason_name(read_history(history).at(0).end),
                 end_reason_name(EndReason::Signal));
    }

    // The file changed on disk while the control reads it: the operator is asked
    // once, and the new text takes over at the tape's restart point.
    void a_program_changed_on_disk_is_loaded_again_when_the_operator_says_so() {
        Window w("N1 X1\r\nN2 X2\r\nN3 M30\r\n", false);
        w.recorder.answers = {MessageAnswer::Yes};
        bool rewritten = false;
        const auto tick = [&] {
            if (!rewritten && w.state().run.blocks_sent >= 3) {
                w.dir.write("part.nc", "N1 X7.\r\nN2 M30\r\n");
                rewritten = true;
            }
            if (w.form.text_view().text().find("X7.") != std::string::npos &&
                w.state().run.blocks_sent >= 8 && !w.ended)
                w.form.end_on_signal("SIGTERM");
        };
        QVERIFY(w.transmit(20, tick, 10000));
        const auto asked = std::count_if(
            w.recorder.messages.begin(), w.recorder.messages.end(),
            [](const testing::RecordedMessage& m) { return m.title == "Program changed"; });
        QCOMPARE(asked, 1);
        QVERIFY(w.form.text_view().text().starts_with("N1 X7.\r\nN2 M30"));
    }

    // A program file removed is told once; put back with the same bytes it
    // is no change; other bytes of the same size are.
    void the_program_watch_tells_removal_and_real_changes() {
        testing::TempDir dir;
        const std::string path = dir.write("part.nc", "N1 X1\r\n");
        ProgramWatch watch;
        QSignalSpy changed(&watch, &ProgramWatch::changed);
        QSignalSpy removed(&watch, &ProgramWatch::removed);
        watch.watch(path);
        std::filesystem::remove(path);
        QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 5000);
        dir.write("part.nc", "N1 X1\r\n");
        QTest::qWait(800);
        QCOMPARE(changed.count(), 0);
        dir.write("part.nc", "N1 X7\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 5000);
        QCOMPARE(removed.count(), 1);
    }

    // Changed while the control holds mid-program: the tape stays where the
    // control stopped until the Reset panel; the question says so.
    void a_reload_during_a_hold_waits_for_reset() {
        Window w("N1 X1\r\nN2 X2\r\nN3 X3\r\nN4 X4\r\nN5 M30\r\n", false);
        w.recorder.answers = {MessageAnswer::Yes};
        w.form.timer3().setInterval(200);
        int step = 0, held_ticks = 0;
        QStringList failures;
        const auto tick = [&] {
            ControlCable* port = w.form.control_cable();
            if (step == 0 && port && port->control() && w.state().run.blocks_sent >= 2) {
                port->control()->feed_hold();
                step = 1;
            } else if (step == 1 && w.state().Sending_data == 0) {
                w.dir.write("part.nc", "N1 X7.\r\nN2 M30\r\n");
                step = 2;
            } else if (step == 2 && !w.recorder.messages.empty() && ++held_ticks == 10) {
                if (w.state().run.phase != RunPhase::Sending || w.state().DNC_reset != DNC_run ||
                    w.form.text_view().text().find("X7.") != std::string::npos)
                    failures << QStringLiteral("the tape left the hold");
                w.click_panel(4);
                step = 3;
            } else if (step == 3 && w.form.text_view().text().find("X7.") != std::string::npos &&
                       !w.ended) {
                w.form.end_on_signal("SIGTERM");
            }
        };
        QVERIFY(w.transmit(20, tick, 10000));
        QCOMPARE(failures.join(QStringLiteral(", ")), QString());
        QCOMPARE(w.recorder.messages.at(0).title, std::string("Program changed"));
        QVERIFY(w.recorder.messages.at(0).text.find("click Reset") != std::string::npos);
    }

    // An offer still unanswered when the control starts reading (it is always
    // in run here) gives way to a notice, in the same box; the tape never waited.
    void an_offer_unanswered_is_withdrawn_once_the_control_reads() {
        Window w("N1 X1\r\nN2 X2\r\nN3 M30\r\n", false);
        const std::string sha = file_digest(w.dir.file("part.nc"))->first;
        QVERIFY(write_resume_record(resume_journal_path(default_device_name),
                                    {"p", sha, default_device_name, 2, true}));
        w.form.qt_host().answer_with(nullptr);
        QStringList seen;
        const auto tick = [&] {
            const auto boxes = w.form.findChildren<QMessageBox*>();
            for (const QMessageBox* box : boxes)
                if (box->isVisible() && !seen.contains(box->text())) seen << box->text();
            if (boxes.size() == 1 && boxes[0]->text().contains(u"withdrawn") &&
                w.state().run.blocks_sent >= 3 && !w.ended)
                w.form.end_on_signal("SIGTERM");
        };
        QVERIFY(w.transmit(20, tick, 10000));
        QCOMPARE(seen.size(), 2);
        QVERIFY(seen[0].endsWith(u"Resume at line 2?"));
        QVERIFY(seen[1].endsWith(u"The offer to resume at line 2 is withdrawn."));
    }

    // A record left by a killed run brings the offer, which waits for no one:
    // the control is held meanwhile, and the review (answered here, window-modal
    // so the Virtual control stays live) changes the clearance the control
    // reads once started (the whole resumed tape is checked in tape_tool_test).
    // The journal follows the run; later, with the control stopped, F5 resumes
    // at the caret's line and the view's menu at the clicked line.
    void resume_after_a_crash_and_here() {
        const std::string program =
            "%\r\nG21 G17 G90 G54\r\nG91 G28 Z0\r\nT1 M06\r\nG90 S1000 M03\r\n"
            "G00 X1. Y2.\r\nZ5.\r\nG01 Z-1. F100.\r\nX5.\r\nM30\r\n";
        Window w(program, false);
        const std::string journal = resume_journal_path(default_device_name);
        const std::string sha = file_digest(w.dir.file("part.nc"))->first;
        QVERIFY(write_resume_record(journal, {"p", sha, default_device_name, 8, true}));
        w.form.qt_host().answer_with([&](const std::string& text, const std::string& title,
                                         MessageIcon icon, MessageButtons buttons) {
            // Asked as the tape waits: the control is held until the review is done.
            if (ControlCable* port = w.form.control_cable(); port && port->control())
                port->control()->feed_hold();
            return w.recorder.message_box(text, title, icon, buttons);
        });
        QStringList reviews;
        bool window_modal = true;
        QTimer reviewer;  // answers each review as the operator would
        QObject::connect(&reviewer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<ResumeDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            reviews << dialog->windowTitle();
            window_modal = window_modal && dialog->windowModality() == Qt::WindowModal;
            if (reviews.size() == 1) {
                dialog->clearance_edit()->selectAll();
                QTest::keyClicks(dialog->clearance_edit(), QStringLiteral("5."));
            }
            dialog->ok_button()->click();
        });
        reviewer.start(20);
        VirtualControlWindow window([&] { return w.form.control_cable(); });
        w.form.timer3().setInterval(300);  // the stall mark comes sooner than in use
        QStringList failures;
        int step = 0;
        const auto reviewed = [&](int count) {
            return reviews.size() == count && w.form.resume_review() == nullptr;
        };
        const auto tick = [&] {
            window.poll();
            const std::string text = window.read_view()->toPlainText().toStdString();
            if (step == 0 && reviewed(1) && w.state().run.phase == RunPhase::Waiting) {
                w.form.show_progress();  // the armed resume is in sight
                if (!w.form.progress_bar().texts().main.starts_with("Resume at line 8"))
                    failures << QStringLiteral("armed resume not shown");
                // A line picked meanwhile would win over it: then it is not shown.
                const TextPos armed = w.state().Live_DNC_startpoint;
                w.state().Live_DNC_startpoint = 0;
                w.form.show_progress();
                if (w.form.progress_bar().texts().main.starts_with("Resume"))
                    failures << QStringLiteral("a dropped resume shown");
                w.state().Live_DNC_startpoint = armed;
                window.cycle_start_button()->click();
                step = 1;
            } else if (step == 1 && text.find("X5.\nM30\n%\n%\nG21") != std::string::npos) {
                if (text.find("M09\nG00 G90 X1. Y2.\nG00 G90 Z5.\n") == std::string::npos)
                    failures << QStringLiteral("the clearance typed");
                window.reset_button()->click();  // the control stops reading mid-program
                step = 2;
            } else if (const auto record = read_resume_record(journal);
                       step == 2 && w.state().Sending_data == 0 && record && record->running &&
                       record->line != 8) {
                // What a crash now would leave (its writer writes once a second at
                // most): the run under way, at a line of the program.
                if (record->sha256 != sha || record->line < 1 || record->line > 10)
                    failures << QStringLiteral("journal");
                w.form.text_view().set_selection_start(
                    static_cast<TextPos>(w.form.text_view().text().find("T1 M06")));
                QApplication::setActiveWindow(&w.form);  // the key works in the active window
                QTest::keyClick(&w.edit, Qt::Key_F5);
                step = 3;
            } else if (step == 3 && reviewed(2)) {
                // Right-clicked on line 9, the caret still on line 4.
                const TextPos caret = w.form.text_view().selection_start();
                w.form.text_view().set_selection_start(
                    static_cast<TextPos>(w.form.text_view().text().find("X5.")));
                const QPoint at = w.edit.caret_rect().center();
                w.form.text_view().set_selection_start(caret);
                QTimer::singleShot(0, [] {
                    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                    if (menu == nullptr) return;
                    QTest::mouseClick(menu, Qt::LeftButton, {},
                                      menu->actionGeometry(menu->actions().at(0)).center());
                });
                QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                        w.edit.viewport()->mapToGlobal(at));
                QApplication::sendEvent(w.edit.viewport(), &event);
                step = 4;
            } else if (step == 4 && reviewed(3)) {
                window.cycle_start_button()->click();
                step = 5;
            } else if (step == 5 &&
                       text.find("G01 G90 Z-1. F100.\nG90 G01\nX5.\nM30\n") != std::string::npos) {
                w.form.end_on_signal("SIGTERM");
                step = 6;
            }
        };
        QVERIFY(w.transmit(50, tick, 40000));
        QCOMPARE(failures.join(QStringLiteral(", ")), QString());
        // The leader's "%" and the program's own "%" line are told first.
        QCOMPARE(w.recorder.messages.at(0).title, std::string("Program start"));
        QVERIFY(w.recorder.messages.at(1).text.ends_with("\nResume at line 8?"));
        QCOMPARE(reviews.join(u'|'),
                 QStringLiteral("Resume at line 8|Resume at line 4|Resume at line 9"));
        QVERIFY(window_modal);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
