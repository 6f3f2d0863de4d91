// The search dialog as the operator meets it: its controls, its keys, and a
// search that moves the highlighted block in the real program view.

#include "gui/search_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui/program_edit.h"
#include "gui/qt_text_view.h"
#include "tests/support/scripted_host.h"

using namespace feedrite;

namespace {

struct Fixture {
    ProgramEdit edit;
    QtTextView view{edit};
    WindowState state;
    testing::ScriptedHost host;
    SearchDialog dialog{view, state, host};

    Fixture() {
        view.set_text("N1 G0\r\nN2 T1 M6\r\nN3 S900\r\n");  // lines at 0, 7 and 17
        dialog.show();
    }
    template <typename W = QCheckBox>
    W* find(const char* name) {
        return dialog.findChild<W*>(QString::fromLatin1(name));
    }
    QLineEdit* text() { return find<QLineEdit>("Search_txt"); }
};

}  // namespace

class SearchDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void captions_tab_order_and_initial_state() {
        Fixture f;
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
        // The rules reach the widgets: S empties the text, typing unticks S.
        QTest::keyClicks(f.text(), QStringLiteral("G0"));
        f.find("chk_scode")->click();
        QCOMPARE(f.text()->text(), QString());
        QTest::keyClick(f.text(), Qt::Key_Backspace);
        QVERIFY(!f.find("chk_scode")->isChecked());
    }

    void enter_f3_and_escape() {
        Fixture f;
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
        QCOMPARE(f.host.messages.size(), std::size_t(1));  // none from Esc
        QCOMPARE(f.state.Live_DNC_startpoint, 17);
    }

    // Centred on the main window's right edge (the screen cap is tested in the core).
    void opens_modally_beside_the_main_window() {
        Fixture f;
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
};

QTEST_MAIN(SearchDialogTest)
#include "search_dialog_test.moc"
