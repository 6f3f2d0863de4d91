// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs before a run driven as the user would, with scripted answers to
// their message boxes: the port configuration window, and the start that asks,
// whose answer is the command line's start.

#include "gui/configure_btr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <deque>
#include <memory>
#include <tuple>

#include "btr/speed_test.h"
#include "config/settings_paths.h"
#include "gui/open_program_dialog.h"
#include "gui/pin_test_window.h"
#include "gui/qt_host.h"
#include "gui/virtual_control_window.h"
#include "run/port_factory.h"
#include "tests/support/device_settings.h"
#include "tests/support/temp_dir.h"
#include "tools/recent_programs.h"

using namespace feedrite;

namespace {

// One dialog over a hidden main window; message boxes are answered from a queue
// (OK when it is empty) and recorded as "title|text".
struct Rig {
    testing::TempDir dir;
    QWidget main;
    QTimer stall;
    QtHost host{main, stall};
    std::vector<std::string> messages;
    std::deque<MessageAnswer> answers;
    std::unique_ptr<configure_BTR> dialog;

    Rig() {
        host.answer_with(
            [this](const std::string& text, const std::string& title, MessageIcon, MessageButtons) {
                messages.push_back(title + "|" + text);
                if (answers.empty()) return MessageAnswer::Ok;
                const MessageAnswer next = answers.front();
                answers.pop_front();
                return next;
            });
        dialog = std::make_unique<configure_BTR>(dir.path(), host, &main);
        dialog->set_speed_test_round_ms(1);
    }
    void open() {
        QCOMPARE(dialog->start(nullptr), configure_BTR::StartResult::Opened);
        dialog->show();
        messages.clear();
    }
    template <class W = QAbstractButton>
    W* get(const char* name) {
        return dialog->findChild<W*>(QString::fromLatin1(name));
    }
    QLineEdit* edit(const char* name) { return get<QLineEdit>(name); }
    bool ticked(const char* name) { return get(name)->isChecked(); }
    void click(const char* button) { get(button)->click(); }
    // Types over a box's text key by key, through its filters.
    void type(const char* name, const char* keys) {
        edit(name)->selectAll();
        QTest::keyClick(edit(name), Qt::Key_Backspace);
        QTest::keyClicks(edit(name), QString::fromLatin1(keys));
    }
    std::string saved(const std::string& device) {
        return dir.read(settings_path(dir.path(), device).substr(dir.path().size() + 1));
    }
    // Replaces a box's text as typing would, filters left out.
    void type_over(const char* name, const char* text) {
        QLineEdit* line = edit(name);
        line->setText(QString::fromLatin1(text));
        emit line->textEdited(line->text());
    }
    // A program to start and a second device; the program's path.
    std::string program_and_a_device() {
        dir.write("Editor BTR device list", "Mill 2\r\n");
        return dir.write("bracket 1.nc", "N10 G0 X1\r\n");
    }
};

// Runs `answer` on the modal window that `action` opens.
template <class Window>
void answering(const std::function<void(Window&)>& answer, const std::function<void()>& action) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        QVERIFY(window != nullptr);
        answer(*window);
        answered = true;
    });
    action();
    QVERIFY(answered);
}

template <class W>
W* child(QObject& parent, const char* name) {
    return parent.findChild<W*>(QString::fromLatin1(name));
}

auto fields(const StartRequest& r) {
    return std::tuple(int(r.kind), r.filename, r.IO_device_name, r.Binaryfile);
}

// A hardware port that the system refuses.
struct FailingPort final : PortAccess {
    PortError port_open(std::int32_t, int) override {
        return {PortErrorCode::PermissionDenied, "/dev/parport0: Permission denied"};
    }
    int port_read(int) override { return 0; }
    void port_write(int, int) override {}
};

}  // namespace

class ConfigureBtrTest : public QObject {
    Q_OBJECT

  private slots:
    // The pin test on the virtual port brings the control on that port's cable
    // in sight; one on a port that would not open offers the port check.
    void pin_test_shows_its_control_or_offers_the_check() {
        Rig rig;
        const PortSettings device;
        const std::unique_ptr<PortAccess> port = make_port(PortKind::Virtual, device);
        QCOMPARE(rig.dialog->start(port.get()), configure_BTR::StartResult::Opened);
        rig.dialog->show();
        rig.click("pin_test_button");
        auto* pins = rig.dialog->findChild<PinTestWindow*>();
        QVERIFY(pins != nullptr);
        auto* control = pins->findChild<VirtualControlWindow*>();
        QVERIFY(control != nullptr && control->isVisible());
        control->poll();
        QVERIFY(control->state_label()->text() != QStringLiteral("Not connected"));
        rig.dialog->reject();

        Rig refused;
        FailingPort failing;
        QCOMPARE(refused.dialog->start(&failing), configure_BTR::StartResult::Opened);
        refused.messages.clear();
        refused.answers = {MessageAnswer::No};
        refused.click("pin_test_button");
        QCOMPARE(refused.messages.size(), std::size_t{1});
        QVERIFY(refused.messages[0].ends_with("\n\nCheck the port now?"));
    }

    // The speed test's result has a line of its own: the fields above keep
    // their height when it appears.
    void the_speed_test_result_squashes_nothing() {
        Rig rig;
        rig.open();
        rig.dialog->resize(rig.dialog->minimumSizeHint());
        QTest::qWait(50);
        auto* timing = rig.edit("Data_on_txt");
        const int height = timing->height();
        rig.get<QLabel>("speed_test_txt")
            ->setText(QString::fromStdString(speed_test_result({{1000, 800, 1000}}, " 300")));
        QTest::qWait(50);
        QCOMPARE(timing->height(), height);
    }

    void captions_and_start() {
        Rig rig;
        QCOMPARE(rig.dialog->start(nullptr), configure_BTR::StartResult::Opened);
        QCOMPARE(rig.messages.size(), std::size_t(1));  // no settings file yet is no read error
        QCOMPARE(
            rig.messages[0],
            std::string("Warning message|WARNING !\nSystem timing is critical to proper BTR "
                        "configuration.\nClose all other programs before using this procedure."));

        QStringList texts = {rig.dialog->windowTitle(), rig.get<QComboBox>("LPT_lst")->itemText(4)};
        for (QLabel* label : rig.dialog->findChildren<QLabel*>()) texts << label->text();
        for (QAbstractButton* button : rig.dialog->findChildren<QAbstractButton*>())
            texts << button->objectName() + QLatin1Char('=') + button->text();
        const QString wanted = QStringLiteral(
            "BTR device name:;Port # :;Address:;Data \"on\" time (ms):;Sprocket \"on\" time (ms):;"
            "Sprocket/data overlap (ms):;Delay between characters (ms):;Delay between blocks (ms):;"
            "Speed (cps.):;Rapid traverse (mm/min):;Leader:;Trailer:;Reset to beginning of file "
            "on:;Mask characters:;"
            "Format string:;Replace:;With:;Command2=Add to list:;Command3=Delete;"
            "Fanuc_Defaults=Fanuc defaults;Yasnac_defaults=Yasnac defaults;PW_defaults=P && W "
            "defaults;apply_button=Apply;cancel_button=Cancel;chk_EIA=EIA RS244;chk_CRLF=CR/LF;"
            "Chk_ready_neg=Negative logic;Chk_long_files=Spool directly from file;"
            "Configure BTR (parallel) port;Other!");
        for (const QString& text : wanted.split(QLatin1Char(';')))
            QVERIFY2(texts.contains(text), qPrintable(text));

        // The default device is chosen (its values are the core's defaults).
        QCOMPARE(rig.get<QListWidget>("IO_device_lst")->currentItem()->text(),
                 QStringLiteral("(default)"));

        Rig declined;
        declined.answers = {MessageAnswer::Cancel};
        QCOMPARE(declined.dialog->start(nullptr), configure_BTR::StartResult::ProgramEnds);
        QCOMPARE(declined.messages.size(), std::size_t(1));  // nothing was read
    }

    // Keys pass the boxes' filters; ticks and the port list reach the model,
    // whose reactions are tested in the core; the upkeep timer puts back ticks.
    void boxes_upkeep_and_apply() {
        Rig rig;
        rig.open();
        rig.dialog->choose_port(LPT_other);
        rig.type("address_txt", "2g-e8");
        QCOMPARE(rig.dialog->model().address, 744.0f);
        rig.type("Data_on_txt", "-1.2.5x");
        QCOMPARE(rig.dialog->model().Data_on_txt, std::string("1.25"));
        rig.type("Rapid_rate_txt", "-8000x.5");
        QCOMPARE(rig.dialog->model().Rapid_rate_txt, std::string("8000.5"));
        rig.dialog->choose_port(2);
        QVERIFY(rig.edit("address_txt")->text() == QStringLiteral("3E8") &&
                !rig.edit("address_txt")->isEnabled());
        rig.click("chk_EIA");
        QVERIFY(!rig.get("chk_LF")->isEnabled() && !rig.ticked("chk_even"));

        rig.click("chk_EIA");  // the only code tick
        rig.type_over("Data_on_txt", "0");
        QTRY_VERIFY_WITH_TIMEOUT(rig.ticked("chk_EIA") || rig.ticked("chk_even"), 2000);
        QCOMPARE(rig.edit("CPS_txt")->text(), QStringLiteral("---"));
        // A text box: it takes typing, and the upkeep puts the speed back.
        QVERIFY(!rig.edit("CPS_txt")->isReadOnly());
        rig.type_over("CPS_txt", "123");
        QTRY_COMPARE_WITH_TIMEOUT(rig.edit("CPS_txt")->text(), QStringLiteral("---"), 2000);

        // Apply's checks, their order and messages are tested in the core; here,
        // that Apply runs them, that the speed test keeps the dialog busy and
        // that it saves (what it writes: config_tool_test).
        rig.dialog->choose_port(LPT_other);
        rig.type_over("address_txt", "9");
        rig.click("apply_button");
        QVERIFY(rig.messages.back().starts_with("Port selection error|"));
        rig.dialog->choose_port(0);
        rig.click("Fanuc_Defaults");

        // Declining the speed test saves nothing and keeps the dialog open.
        rig.answers = {MessageAnswer::Cancel};
        rig.click("apply_button");
        QVERIFY(rig.messages.back().find("will now test your PCs speed") != std::string::npos);
        QVERIFY(rig.dialog->isVisible());
        QCOMPARE(rig.saved(default_device_name), "<missing>");

        QSignalSpy accepted(rig.dialog.get(), &QDialog::accepted);
        rig.dialog->set_speed_test_round_ms(20);
        bool busy_seen = false;  // looked at in the middle of the test
        QTimer::singleShot(50, rig.dialog.get(), [&] {
            busy_seen = !rig.get("apply_button")->isEnabled() &&
                        !rig.get("Command2")->isEnabled() &&
                        rig.dialog->cursor().shape() == Qt::WaitCursor;
        });
        rig.click("apply_button");
        QVERIFY(busy_seen);
        QVERIFY(rig.get("apply_button")->isEnabled());
        QCOMPARE(accepted.count(), 1);
        QVERIFY(rig.dialog->model().delay3 >= 1);
        QVERIFY(rig.saved(default_device_name) != "<missing>");
    }

    // The list's and the presets' rules are tested in the core; here, that
    // the buttons and Enter reach them, that a preset is saved and a click in
    // a new dialog loads it, and that deleting asks and selects the entry above.
    void device_list_and_a_preset() {
        Rig rig;
        rig.open();
        QTest::keyClicks(rig.edit("New_name_txt"), QStringLiteral("Mill 1"));
        QTest::keyClick(rig.edit("New_name_txt"), Qt::Key_Return);
        QVERIFY(rig.dialog->isVisible());  // Enter added, it did not press Apply
        rig.type_over("New_name_txt", "mill 1");
        rig.click("Command2");
        QCOMPARE(rig.messages.back(),
                 std::string("List entry error|BTR device name is already in the list"));
        const std::size_t shown = rig.messages.size();
        rig.type_over("New_name_txt", "");
        rig.click("Command2");  // an empty name: nothing at all
        QCOMPARE(rig.messages.size(), shown);
        QCOMPARE(rig.get<QListWidget>("IO_device_lst")->count(), 2);
        rig.click("PW_defaults");
        rig.click("apply_button");
        QVERIFY(!rig.dialog->isVisible());

        Rig again;
        again.dialog = std::make_unique<configure_BTR>(rig.dir.path(), again.host, &again.main);
        again.open();
        auto* list = again.get<QListWidget>("IO_device_lst");
        QCOMPARE(list->count(), 2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QCOMPARE(again.edit("Reset_on_txt")->text(), QStringLiteral("M02"));
        QVERIFY(again.ticked("chk_EIA"));
        again.answers = {MessageAnswer::Cancel};
        again.click("Command3");
        QCOMPARE(list->count(), 2);
        again.click("Command3");
        QCOMPARE(again.messages.back(),
                 std::string("Delete entry?|Warning - You are about to delete\nthe BTR port "
                             "settings for: Mill 1"));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(rig.dir.read("Editor BTR device list"), std::string());
        const std::size_t asked = again.messages.size();
        again.click("Command3");  // "(default)" cannot be deleted
        QCOMPARE(again.messages.size(), asked);
    }

    void choice_becomes_the_command_line_start() {
        Rig rig;
        const std::string program = rig.program_and_a_device();
        OpenProgramDialog dialog(rig.dir.path(), rig.host, PortKind::Virtual, "");
        dialog.show();
        QVERIFY(!child<QPushButton>(dialog, "send_btn")->isEnabled());
        answering<QFileDialog>(
            [&](QFileDialog& chooser) {
                chooser.selectFile(QString::fromStdString(program));
                static_cast<QDialog&>(chooser).accept();  // as its Open button does
            },
            [&] { child<QPushButton>(dialog, "browse_btn")->click(); });
        auto* devices = child<QComboBox>(dialog, "device_lst");
        devices->setCurrentIndex(1);
        // Not set up yet: marked, and Configure... comes before Send.
        QVERIFY(!child<QPushButton>(dialog, "send_btn")->isEnabled());
        QVERIFY(child<QLabel>(dialog, "device_note")->isVisibleTo(&dialog));
        QVERIFY(child<QPushButton>(dialog, "configure_btn")->isDefault());
        testing::DeviceSettings().write(rig.dir.path(), "Mill 2");
        devices->setCurrentIndex(0);
        devices->setCurrentIndex(1);
        QVERIFY(!child<QLabel>(dialog, "device_note")->isVisibleTo(&dialog));
        for (const char* binary : {"1", "5"}) {
            child<QCheckBox>(dialog, "binary_chk")->setChecked(*binary == '5');
            const std::string text = program + "|Mill 2|" + binary;
            QVERIFY(fields(dialog.request()) == fields(read_command_line(text)));
        }
        child<QPushButton>(dialog, "send_btn")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void recent_program_and_configuration_fill_the_choice() {
        Rig rig;
        const std::string program = rig.program_and_a_device();
        remember_program(rig.dir.path(), read_command_line(program + "|Mill 2|5"));
        OpenProgramDialog dialog(rig.dir.path(), rig.host, PortKind::Virtual, "other.nc");
        QCOMPARE(child<QLineEdit>(dialog, "program_txt")->text(), QStringLiteral("other.nc"));
        child<QListWidget>(dialog, "recent_lst")->setCurrentRow(0);
        QVERIFY(fields(dialog.request()) == fields(read_command_line(program + "|Mill 2|5")));

        // A device added in the configuration dialog can be chosen at once.
        answering<configure_BTR>(
            [&](configure_BTR& configure) {
                rig.dir.write("Editor BTR device list", "Mill 2\r\nLathe\r\n");
                configure.reject();
            },
            [&] { child<QPushButton>(dialog, "configure_btn")->click(); });
        QCOMPARE(child<QComboBox>(dialog, "device_lst")->count(), 3);
        QCOMPARE(dialog.request().IO_device_name, std::string("Mill 2"));
    }
};

QTEST_MAIN(ConfigureBtrTest)
#include "configure_btr_test.moc"
