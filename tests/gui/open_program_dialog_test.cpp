// The start that asks: what it answers is the command line's start.

#include "gui/open_program_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "config/recent_programs.h"
#include "gui/configure_btr.h"
#include "gui/qt_host.h"
#include "tests/support/temp_dir.h"

using namespace feedrite;

namespace {

struct Rig {
    testing::TempDir dir;
    QWidget main;
    QTimer stall;
    QtHost host{main, stall};
    std::string program = dir.write("bracket 1.nc", "N10 G0 X1\r\n");

    Rig() {
        dir.write("Editor BTR device list", "Mill 2\r\n");
        host.answer_with([](auto&&...) { return MessageAnswer::Ok; });
    }
    // Runs `answer` on the modal window that `action` opens.
    template <class Window>
    static void answering(const std::function<void(Window&)>& answer,
                          const std::function<void()>& action) {
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
};

template <class W>
W* child(QObject& parent, const char* name) {
    return parent.findChild<W*>(QString::fromLatin1(name));
}

auto fields(const StartRequest& r) {
    return std::tuple(int(r.kind), r.filename, r.IO_device_name, r.Binaryfile);
}

}  // namespace

class OpenProgramDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void choice_becomes_the_command_line_start() {
        Rig rig;
        OpenProgramDialog dialog(rig.dir.path(), rig.host, PortKind::Virtual, "");
        dialog.show();
        QVERIFY(!child<QPushButton>(dialog, "send_btn")->isEnabled());
        Rig::answering<QFileDialog>(
            [&](QFileDialog& chooser) {
                chooser.selectFile(QString::fromStdString(rig.program));
                static_cast<QDialog&>(chooser).accept();  // as its Open button does
            },
            [&] { child<QPushButton>(dialog, "browse_btn")->click(); });
        child<QComboBox>(dialog, "device_lst")->setCurrentIndex(1);
        for (const char* binary : {"1", "5"}) {
            child<QCheckBox>(dialog, "binary_chk")->setChecked(*binary == '5');
            const std::string text = rig.program + "|Mill 2|" + binary;
            QVERIFY(fields(dialog.request()) == fields(read_command_line(text)));
        }
        child<QPushButton>(dialog, "send_btn")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void recent_program_and_configuration_fill_the_choice() {
        Rig rig;
        remember_program(rig.dir.path(), read_command_line(rig.program + "|Mill 2|5"));
        OpenProgramDialog dialog(rig.dir.path(), rig.host, PortKind::Virtual, "other.nc");
        QCOMPARE(child<QLineEdit>(dialog, "program_txt")->text(), QStringLiteral("other.nc"));
        child<QListWidget>(dialog, "recent_lst")->setCurrentRow(0);
        QVERIFY(fields(dialog.request()) == fields(read_command_line(rig.program + "|Mill 2|5")));

        // A device added in the configuration dialog can be chosen at once.
        Rig::answering<configure_BTR>(
            [&](configure_BTR& configure) {
                rig.dir.write("Editor BTR device list", "Mill 2\r\nLathe\r\n");
                configure.reject();
            },
            [&] { child<QPushButton>(dialog, "configure_btn")->click(); });
        QCOMPARE(child<QComboBox>(dialog, "device_lst")->count(), 3);
        QCOMPARE(dialog.request().IO_device_name, std::string("Mill 2"));
    }
};

QTEST_MAIN(OpenProgramDialogTest)
#include "open_program_dialog_test.moc"
