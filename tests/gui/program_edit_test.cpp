// SPDX-License-Identifier: GPL-3.0-or-later
// The program view's widget and the core's view of it (QtTextView): keys,
// mouse, clipboard, the read-only lock, scrolling and painting only what
// changed. The cost per block on a large program is measured by bench/view_bench.

#include "gui/program_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include "gui/qt_text_view.h"

using namespace feedrite;

namespace {

// "N0\r\nN1\r\n...".
std::string numbered(int lines) {
    std::string program;
    for (int i = 0; i < lines; ++i) program += "N" + std::to_string(i) + "\r\n";
    return program;
}

struct Rig {
    explicit Rig(const std::string& text = "N10 G0 X1\r\nN20\r\nN30 M30") {
        view.set_text(text);
        edit.resize(400, 200);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
    }
    void keys(std::initializer_list<QKeyCombination> combos) {
        for (const QKeyCombination combo : combos)
            QTest::keyClick(&edit, combo.key(), combo.keyboardModifiers());
    }
    // The left button pressed, dragged or released at `at`.
    void mouse(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, edit.viewport()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(edit.viewport(), &event);
    }
    // Where a click lands on `pos`: the caret's place there.
    QPoint at(TextPos pos) {
        view.set_selection_start(pos);
        return edit.caret_rect().center();
    }
    TextPos caret() const { return edit.model().caret(); }
    TextPos line_start(std::int64_t line) const { return edit.model().lines().line_start(line); }

    ProgramEdit edit;
    QtTextView view{edit};
};

// Records the regions the viewport is asked to paint.
struct PaintSpy : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

}  // namespace

class ProgramEditTest : public QObject {
    Q_OBJECT

  private slots:
    void read_only_moves_and_selects_but_never_types() {
        Rig r;
        r.edit.set_read_only(true);
        const std::string text = r.view.text();
        r.keys({Qt::Key_A, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab});
        QApplication::clipboard()->setText(QStringLiteral("PASTED"));
        r.keys({Qt::CTRL | Qt::Key_V});
        r.view.set_selection_start(0);
        r.view.set_selection_length(3);
        r.keys({Qt::CTRL | Qt::Key_X});
        QCOMPARE(r.view.text(), text);

        // The keys reach the core's motions (their rules are tested there):
        // from the caret at 5 on "N10 G0 X1" (lines at 0, 11, 16): anchor, caret.
        const std::tuple<const char*, QKeyCombination, TextPos, TextPos> cases[] = {
            {"shift right", Qt::SHIFT | Qt::Key_Right, 5, 6},
            {"page down", Qt::Key_PageDown, 21, 21},
            {"select all", Qt::CTRL | Qt::Key_A, 0, 23},
        };
        for (const auto& [name, key, anchor, caret] : cases) {
            r.view.set_selection_start(5);
            r.keys({key});
            QVERIFY2(r.edit.model().anchor() == anchor && r.caret() == caret, name);
        }
        // An arrow drops a selection at its own side first.
        r.edit.model().select(2, 7);
        r.edit.model_changed();
        r.keys({Qt::Key_Left});
        QCOMPARE(r.caret(), TextPos(2));

        // The mouse places the caret and drags a selection.
        const QPoint n20 = r.at(12), n30 = r.at(19), past_n10 = r.at(9) + QPoint(300, 0);
        r.view.set_selection_start(0);
        r.mouse(QEvent::MouseButtonPress, n20);
        r.mouse(QEvent::MouseMove, n30);
        r.mouse(QEvent::MouseButtonRelease, n30);
        QCOMPARE(r.view.selected_text(), std::string("20\r\nN30"));
        // Shift extends from the anchor; a click beyond a line's end lands on it.
        r.mouse(QEvent::MouseButtonPress, past_n10, Qt::ShiftModifier);
        QCOMPARE(r.edit.model().anchor(), TextPos(12));
        QCOMPARE(r.caret(), TextPos(9));
    }

    void writable_takes_typing_breaks_erasing_and_undo() {
        Rig r("N1\r\nN2");
        r.view.set_selection_start(2);
        r.keys({Qt::Key_X, Qt::Key_Return});
        QCOMPARE(r.caret(), TextPos(5));
        QCOMPARE(r.view.text(), std::string("N1x\r\n\r\nN2"));
        const std::pair<std::vector<QKeyCombination>, std::string> steps[] = {
            {{Qt::Key_Backspace, Qt::Key_Backspace}, "N1\r\nN2"},  // the break, then x
            {{Qt::Key_Delete}, "N1N2"},                            // at the line end
            {{Qt::SHIFT | Qt::Key_End, Qt::Key_Delete}, "N1"},
            {{Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_Z}, "N1\r\nN2"},
            {{Qt::CTRL | Qt::SHIFT | Qt::Key_Z}, "N1N2"},
        };
        for (const auto& [keys, text] : steps) {
            for (const QKeyCombination key : keys) r.keys({key});
            QCOMPARE(r.view.text(), text);
        }
        r.view.set_selection_start(0);
        QTest::sendKeyEvent(QTest::Click, &r.edit, Qt::Key_Eacute, QString(QChar(0xE9)), {});
        QCOMPARE(r.view.text(), std::string("\xE9N1N2"));  // the euro refused: main_window_test
        r.edit.set_read_only(true);
        r.keys({Qt::CTRL | Qt::Key_Z});
        QCOMPARE(r.view.text(), std::string("\xE9N1N2"));
    }

    void paste_takes_latin1_only_and_cut_takes_the_selection() {
        Rig r("N1");
        r.view.set_selection_start(2);
        for (const char16_t* pasted : {u"\nG1 X\u00e9", u"G2 \u20ac5"}) {  // the second refused
            QApplication::clipboard()->setText(QString::fromUtf16(pasted));
            r.keys({Qt::CTRL | Qt::Key_V});
            QCOMPARE(r.view.text(), std::string("N1\r\nG1 X\xE9"));
            QCOMPARE(r.caret(), r.view.length());
        }
        r.view.set_selection_start(0);
        r.view.set_selection_length(4);
        r.keys({Qt::CTRL | Qt::Key_X});
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("N1\n"));
        QCOMPARE(r.view.text(), std::string("G1 X\xE9"));
    }

    void selections_by_the_core_scroll_into_view_and_repaint_only_their_lines() {
        Rig r(numbered(1000) + std::string(3000, 'X') + "\r\nEND");
        const QRect sight = r.edit.viewport()->rect();
        for (const std::int64_t line : {900, 10, 999, 0}) {
            r.view.select_line_from(r.line_start(line));
            QVERIFY(r.edit.first_visible_line() <= line);
            QVERIFY(line < r.edit.first_visible_line() + r.edit.lines_in_sight());
            QVERIFY(sight.contains(r.edit.caret_rect()));
        }
        // A long line is seen from its start, as every block after it; a
        // sideways scroll of the operator's stays until the operator comes back.
        QScrollBar* sideways = r.edit.horizontalScrollBar();
        r.view.select_line_from(r.line_start(1000));
        QCOMPARE(sideways->value(), 0);
        r.view.set_selection_start(r.line_start(1000) + 2000);  // far out: a match in edit mode
        r.view.select_line_from(r.line_start(1001));
        QCOMPARE(sideways->value(), 0);
        sideways->triggerAction(QAbstractSlider::SliderPageStepAdd);
        const int scrolled = sideways->value();
        QVERIFY(scrolled > 0);
        r.view.select_line_from(r.line_start(1000));
        QCOMPARE(sideways->value(), scrolled);
        sideways->triggerAction(QAbstractSlider::SliderToMinimum);
        r.view.set_selection_start(r.line_start(1000) + 2000);
        QVERIFY(sideways->value() > 0);
        r.view.select_line_from(r.line_start(1001));
        QCOMPARE(sideways->value(), 0);

        // Text replaced by the core: the scroll range follows; only a highlighting find scrolls.
        r.view.set_text(numbered(500));
        for (const bool highlight : {false, true}) {
            QVERIFY(r.view.find("N499", 0, -1, true, highlight) > 0);
            QCOMPARE(r.edit.first_visible_line() > 400, highlight);
        }

        // A new highlighted line: the one left and the one entered, in one paint.
        PaintSpy spy;
        r.edit.viewport()->installEventFilter(&spy);
        r.view.select_line_from(r.line_start(497));
        QTest::qWait(20);
        spy.painted = {};
        QElapsedTimer frame;
        frame.start();
        r.view.select_line_from(r.line_start(498));
        QTRY_VERIFY(!spy.painted.isEmpty());
        const int line_height = r.edit.caret_rect().height();
        QCOMPARE(spy.painted.boundingRect().height(), 2 * line_height);
        QCOMPARE(spy.painted.boundingRect().width(), r.edit.viewport()->width());

        // Lines highlighted within a frame of that paint wait for the next frame, together.
        spy.painted = {};
        r.view.select_line_from(r.line_start(499));
        r.view.select_line_from(r.line_start(500));
        QCoreApplication::processEvents();
        if (frame.elapsed() < 16) QVERIFY(spy.painted.isEmpty());
        QTRY_VERIFY(!spy.painted.isEmpty());
        QCOMPARE(spy.painted.boundingRect().height(), 3 * line_height);
    }
};

QTEST_MAIN(ProgramEditTest)
#include "program_edit_test.moc"
