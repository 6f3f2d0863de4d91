// The port configuration window driven as the user would: clicks, keys and
// scripted answers to its message boxes.

#include "gui/configure_btr.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <deque>
#include <memory>
#include <sstream>

#include "config/entry_rules.h"
#include "gui/qt_host.h"
#include "config/number_text.h"
#include "config/settings_paths.h"
#include "tests/support/temp_dir.h"
#include "tools/config_tool.h"

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
    std::string file_of(const std::string& path) {
        return dir.read(path.substr(dir.path().size() + 1));
    }
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
};

}  // namespace

class ConfigureBtrTest : public QObject {
    Q_OBJECT

  private slots:
    void captions_and_start() {
        Rig rig;
        QCOMPARE(rig.dialog->start(nullptr), configure_BTR::StartResult::Opened);
        QCOMPARE(rig.messages.size(), std::size_t(2));
        QCOMPARE(
            rig.messages[0],
            std::string("Warning message|WARNING !\nSystem timing is critical to proper BTR "
                        "configuration.\nClose all other programs before using this procedure."));
        QVERIFY(rig.messages[1].find("Unable to read from file") != std::string::npos);

        QStringList texts = {rig.dialog->windowTitle(), rig.get<QComboBox>("LPT_lst")->itemText(4)};
        for (QLabel* label : rig.dialog->findChildren<QLabel*>()) texts << label->text();
        for (QAbstractButton* button : rig.dialog->findChildren<QAbstractButton*>())
            texts << button->objectName() + QLatin1Char('=') + button->text();
        const QString wanted = QStringLiteral(
            "BTR device name:;Port # :;Address:;Data \"on\" time (ms):;Sprocket \"on\" time (ms):;"
            "Sprocket/data overlap (ms):;Delay between characters (ms):;Delay between blocks (ms):;"
            "Speed (cps.):;Leader:;Trailer:;Reset to beginning of file on:;Mask characters:;"
            "Format string:;Replace:;With:;Command2=Add to list:;Command3=Delete;"
            "Fanuc_Defaults=Fanuc defaults;Yasnac_defaults=Yasnac defaults;PW_defaults=P && W "
            "defaults;apply_button=Apply;cancel_button=Cancel;chk_EIA=EIA RS244;chk_CRLF=CR/LF;"
            "Chk_ready_neg=Negative logic;Chk_long_files=Spool directly from file;"
            "Configure BTR (parallel) port;Other!");
        for (const QString& text : wanted.split(QLatin1Char(';')))
            QVERIFY2(texts.contains(text), qPrintable(text));

        // The default configuration is shown: LPT1 at 378, ISO with LF.
        QCOMPARE(rig.get<QListWidget>("IO_device_lst")->currentItem()->text(),
                 QStringLiteral("(default)"));
        QCOMPARE(rig.get<QComboBox>("LPT_lst")->currentText(), QStringLiteral("LPT1"));
        QCOMPARE(rig.edit("address_txt")->text(), QStringLiteral("378"));
        QVERIFY(rig.ticked("chk_even") && rig.ticked("chk_LF"));

        Rig declined;
        declined.answers = {MessageAnswer::Cancel};
        QCOMPARE(declined.dialog->start(nullptr), configure_BTR::StartResult::ProgramEnds);
        QCOMPARE(declined.messages.size(), std::size_t(1));  // nothing was read
    }

    void add_refuses_duplicates_and_delete_selects_the_entry_above() {
        Rig rig;
        rig.open();
        auto* list = rig.get<QListWidget>("IO_device_lst");
        QTest::keyClicks(rig.edit("New_name_txt"), QStringLiteral("Mill 1"));
        QTest::keyClick(rig.edit("New_name_txt"), Qt::Key_Return);
        QTest::keyClicks(rig.edit("New_name_txt"), QStringLiteral("Lathe"));
        rig.click("Command2");
        QCOMPARE(list->currentRow(), 2);
        QVERIFY(rig.edit("New_name_txt")->text().isEmpty());
        QCOMPARE(rig.file_of(device_list_path(rig.dir.path())), std::string("Mill 1\r\nLathe\r\n"));
        QVERIFY(rig.dialog->isVisible());  // Enter added, it did not press Apply

        for (const char* twin : {"(DEFAULT)", "mill 1"}) {
            rig.type_over("New_name_txt", twin);
            rig.click("Command2");
            QCOMPARE(rig.messages.back(),
                     std::string("List entry error|BTR device name is already in the list"));
        }
        rig.type_over("New_name_txt", "a/b");  // the rules feedrite-config keeps too
        rig.click("Command2");
        QVERIFY(rig.messages.back().starts_with("List entry error|A device name cannot hold"));
        QCOMPARE(list->count(), 3);

        rig.dialog->model().IO_device_index = 1;
        rig.dialog->show_model();
        rig.answers = {MessageAnswer::Cancel};
        rig.click("Command3");
        QCOMPARE(list->count(), 3);
        rig.click("Command3");
        QCOMPARE(rig.messages.back(),
                 std::string("Delete entry?|Warning - You are about to delete\nthe BTR port "
                             "settings for: Mill 1"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(rig.file_of(device_list_path(rig.dir.path())), std::string("Lathe\r\n"));

        const std::size_t asked = rig.messages.size();
        rig.click("Command3");  // "(default)" cannot be deleted
        QCOMPARE(rig.messages.size(), asked);
    }

    void port_address_number_boxes_and_tick_reactions() {
        Rig rig;
        rig.open();
        rig.dialog->choose_port(LPT_other);
        QLineEdit* address = rig.edit("address_txt");
        QVERIFY(address->isEnabled() && address->text() == QStringLiteral("????"));
        QTest::keyClick(address, Qt::Key_End);
        QTest::keyClick(address, Qt::Key_Backspace);
        QCOMPARE(rig.dialog->model().address, 0.0f);  // the value of "????" before the deletion
        rig.type("address_txt", "2g-e8");
        QCOMPARE(rig.dialog->model().address_txt, std::string("2E8"));
        QCOMPARE(rig.dialog->model().address, 744.0f);
        rig.type("Data_on_txt", "-1.2.5x");
        QCOMPARE(rig.edit("Data_on_txt")->text(), QStringLiteral("1.25"));
        QCOMPARE(rig.dialog->model().Data_on_txt, std::string("1.25"));
        rig.dialog->choose_port(2);
        QVERIFY(address->text() == QStringLiteral("3E8") && !address->isEnabled());
        QCOMPARE(rig.dialog->model().address, 1000.0f);

        rig.click("chk_EIA");
        QVERIFY(!rig.ticked("chk_even"));
        for (const char* name : {"chk_LF", "chk_CR", "chk_LFCR", "chk_CRLF"})
            QVERIFY2(!rig.get(name)->isEnabled() && !rig.ticked(name), name);
        rig.click("chk_even");
        QVERIFY(!rig.ticked("chk_EIA") && rig.get("chk_LFCR")->isEnabled() &&
                rig.ticked("chk_LFCR"));
        rig.click("Chk_Sprocket_Neg");
        QVERIFY(!rig.ticked("Chk_Sprocket_Pos"));

        // The upkeep puts back the code and end-of-block ticks and the speed.
        rig.click("chk_LFCR");  // the only end-of-block tick
        rig.click("chk_even");  // the only code tick
        QVERIFY(!rig.ticked("chk_even"));
        rig.type_over("Data_on_txt", "0");
        rig.type_over("Data_off_txt", "0");
        QTRY_VERIFY_WITH_TIMEOUT(rig.ticked("chk_even") && rig.ticked("chk_LFCR"), 2000);
        QCOMPARE(rig.edit("CPS_txt")->text(), QStringLiteral("---"));
        rig.type_over("Data_on_txt", "3.33");
        rig.dialog->upkeep();
        QCOMPARE(rig.edit("CPS_txt")->text(), QStringLiteral(" 300"));
    }

    void apply_checks_then_writes_loop_counts() {
        Rig rig;
        rig.open();
        rig.dialog->choose_port(LPT_other);
        rig.type_over("Sprocket_on_txt", "0");
        // "????", an address below 100 hex, and then the box cleared are all refused.
        for (const char* address : {"????", "9", ""}) {
            rig.type_over("address_txt", address);
            rig.click("apply_button");
            QCOMPARE(rig.messages.back(),
                     "Port selection error|Selected port address is invalid\nChoose a different "
                     "port\n" + typed_address_rule());
        }
        rig.dialog->choose_port(0);
        // The order of the checks is tested in the core; here, that Apply runs them.
        rig.click("apply_button");
        QCOMPARE(rig.messages.back(), std::string("Entry error|Invalid entry for sprocket on time"));
        for (const auto& [box, good] : {std::pair{"Sprocket_on_txt", "2.2"}, {"Data_on_txt", "3.33"},
                                        {"Sprocket_overlap_txt", ".565"}, {"Data_off_txt", "0"},
                                        {"EOB_delay_txt", "0"}})
            rig.type_over(box, good);

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
        QVERIFY(!rig.dialog->isVisible());
        const QLabel* result = rig.dialog->findChild<QLabel*>(QStringLiteral("speed_test_txt"));
        QVERIFY(result->text().startsWith(QStringLiteral("Speed test: ")));
        const ConfigModel& model = rig.dialog->model();
        // 3.33, 2.2 and .565 ms take at least one pass, in that order; no data off or block delay.
        QVERIFY(model.delay1 >= model.delay2 && model.delay2 >= model.delay3 && model.delay3 >= 1);
        const std::string saved = rig.saved(default_device_name);
        const std::string counts = format_number(model.delay1) + "\r\n" +
                                   format_number(model.delay2) + "\r\n" +
                                   format_number(model.delay3) + "\r\n 0\r\n 0\r\n";
        QVERIFY2(saved.find("\r\n" + counts) != std::string::npos, saved.c_str());
    }

    // Both ways of setting up a device give the same bytes, but for the loop
    // counts, which depend on this machine's speed test.
    void presets_saved_as_feedrite_config_writes_them() {
        const auto without_counts = [](std::string file) {  // lines 2 to 6
            const std::size_t first = file.find("\r\n") + 2;
            std::size_t end = first;
            for (int line = 2; line <= 6; ++line) end = file.find("\r\n", end) + 2;
            return QByteArray::fromStdString(file.erase(first, end - first));
        };
        const std::pair<const char*, const char*> presets[] = {
            {"Fanuc_Defaults", "fanuc"}, {"Yasnac_defaults", "yasnac"}, {"PW_defaults", "pw"}};
        for (const auto& [button, name] : presets) {
            Rig rig;
            rig.open();
            rig.type_over("New_name_txt", "Mill");
            rig.click("Command2");
            rig.click(button);
            rig.dialog->upkeep();  // the speed display has caught up, as after 750 ms
            if (std::string_view(name) == "pw") {
                QVERIFY(rig.ticked("chk_EIA") && rig.ticked("chk_LF") && rig.ticked("Chk_Async"));
                QVERIFY(!rig.get("chk_LF")->isEnabled());
                QCOMPARE(rig.edit("CPS_txt")->text(), QStringLiteral(" 150"));
            }
            rig.click("apply_button");
            QVERIFY(!rig.dialog->isVisible());
            const std::string dialog_file = rig.saved("Mill");

            testing::TempDir tool_dir;
            std::ostringstream out, errors;
            QCOMPARE(run_config(
                         {"--program-dir", tool_dir.path(), "--device", "Mill", "--preset", name,
                          "--calibrate"},
                         rig.host, [](int, const SecondsLeft&) { return SpeedTest{{200000}}; }, out, errors),
                     0);
            QCOMPARE(without_counts(tool_dir.read("Editor BTR port settings for Mill")),
                     without_counts(dialog_file));
            QCOMPARE(tool_dir.read("Editor BTR device list"),
                     rig.dir.read("Editor BTR device list"));
            if (std::string_view(name) != "pw") continue;
            // Choosing the device with the mouse in a new dialog loads what was saved.
            QVERIFY(dialog_file.find("M02") != std::string::npos &&
                    dialog_file.find("1.8") != std::string::npos);
            Rig again;
            again.dialog = std::make_unique<configure_BTR>(rig.dir.path(), again.host, &again.main);
            again.open();
            auto* list = again.get<QListWidget>("IO_device_lst");
            list->scrollToItem(list->item(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(1)).center());
            QCOMPARE(again.edit("Reset_on_txt")->text(), QStringLiteral("M02"));
            QVERIFY(again.ticked("chk_EIA"));
        }
    }
};

QTEST_MAIN(ConfigureBtrTest)
#include "configure_btr_test.moc"
