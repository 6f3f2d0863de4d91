// The program view's widget as the operator works it: keys, mouse, clipboard,
// the read-only lock, scrolling, and painting only what changed.

#include "app/program_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include "app/toolkit/qt_text_view.h"

using namespace feedrite;

namespace {

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
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, edit.viewport()->mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(edit.viewport(), &event);
    }
    // Middle of the character cell at `column` of visible line `row`.
    QPoint cell(int row, int column) const {
        const QRect caret = edit.caret_rect();
        const int width = edit.fontMetrics().horizontalAdvance(QLatin1Char('M'));
        const int top =
            caret.top() - static_cast<int>(edit.model().lines().line_of(edit.model().caret()) -
                                           edit.first_visible_line()) *
                              caret.height();
        return {4 + column * width + width / 4, top + row * caret.height() + caret.height() / 2};
    }
    TextPos caret() const { return edit.model().caret(); }
    std::string selected() const { return view.selected_text(); }

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
    void read_only_moves_and_selects_but_never_types();
    void writable_takes_typing_breaks_and_erasing();
    void paste_takes_latin1_only();
    void mouse_places_the_caret_and_drags_a_selection();
    void programmatic_selection_scrolls_into_view();
    void a_new_selection_repaints_only_its_lines();
    void a_million_lines_paint_at_once();
};

void ProgramEditTest::read_only_moves_and_selects_but_never_types() {
    Rig r;
    r.edit.setReadOnly(true);
    const std::string text = r.view.text();
    r.keys({Qt::Key_A, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab});
    QApplication::clipboard()->setText(QStringLiteral("PASTED"));
    r.keys({Qt::CTRL | Qt::Key_V});
    r.view.set_selection_start(0);
    r.view.set_selection_length(3);
    r.keys({Qt::CTRL | Qt::Key_X});
    QCOMPARE(r.view.text(), text);

    struct Case {
        const char* name;
        QKeyCombination key;
        TextPos anchor, caret;
    };
    // From the caret at 5 on "N10 G0 X1" (lines at 0, 11, 16).
    const Case cases[] = {
        {"right", Qt::Key_Right, 6, 6},
        {"left", Qt::Key_Left, 4, 4},
        {"shift right", Qt::SHIFT | Qt::Key_Right, 5, 6},
        {"shift left", Qt::SHIFT | Qt::Key_Left, 5, 4},
        {"down keeps the column on a short line", Qt::Key_Down, 14, 14},
        {"shift down", Qt::SHIFT | Qt::Key_Down, 5, 14},
        {"up on the first line", Qt::Key_Up, 5, 5},
        {"home", Qt::Key_Home, 0, 0},
        {"end", Qt::Key_End, 9, 9},
        {"shift end", Qt::SHIFT | Qt::Key_End, 5, 9},
        {"ctrl end", Qt::CTRL | Qt::Key_End, 23, 23},
        {"ctrl shift end", Qt::CTRL | Qt::SHIFT | Qt::Key_End, 5, 23},
        {"ctrl home", Qt::CTRL | Qt::Key_Home, 0, 0},
        {"page down", Qt::Key_PageDown, 21, 21},
        {"word right", Qt::CTRL | Qt::Key_Right, 7, 7},
        {"select all", Qt::CTRL | Qt::Key_A, 0, 23},
    };
    for (const Case& c : cases) {
        r.view.set_selection_start(5);
        r.keys({c.key});
        QVERIFY2(r.edit.model().anchor() == c.anchor && r.caret() == c.caret, c.name);
    }
    // An arrow drops a selection at its own side first.
    r.edit.model().select(2, 7);
    r.edit.model_changed();
    r.keys({Qt::Key_Left});
    QCOMPARE(r.caret(), TextPos(2));
    // Down then up comes back to the column it left, past a short line.
    r.view.set_selection_start(8);
    r.keys({Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up});
    QCOMPARE(r.caret(), TextPos(8));

    r.view.set_selection_start(11);
    r.keys({Qt::SHIFT | Qt::Key_Down, Qt::CTRL | Qt::Key_C});
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("N20\n"));
}

void ProgramEditTest::writable_takes_typing_breaks_and_erasing() {
    Rig r("N1\r\nN2");
    r.view.set_selection_start(2);
    r.keys({Qt::Key_X, Qt::Key_Return});
    QCOMPARE(r.view.text(), std::string("N1x\r\n\r\nN2"));
    QCOMPARE(r.caret(), TextPos(5));
    r.keys({Qt::Key_Backspace, Qt::Key_Backspace});  // the break, then x
    QCOMPARE(r.view.text(), std::string("N1\r\nN2"));
    r.keys({Qt::Key_Delete});  // at the line end: the lines join
    QCOMPARE(r.view.text(), std::string("N1N2"));
    r.keys({Qt::SHIFT | Qt::Key_End, Qt::Key_Delete});
    QCOMPARE(r.view.text(), std::string("N1"));
    // Undo takes the edits back one by one, redo makes them again.
    r.keys({Qt::CTRL | Qt::Key_Z, Qt::CTRL | Qt::Key_Z});
    QCOMPARE(r.view.text(), std::string("N1\r\nN2"));
    r.keys({Qt::CTRL | Qt::SHIFT | Qt::Key_Z});
    QCOMPARE(r.view.text(), std::string("N1N2"));
    r.edit.setReadOnly(true);
    r.keys({Qt::CTRL | Qt::Key_Z});
    QCOMPARE(r.view.text(), std::string("N1N2"));
    r.edit.setReadOnly(false);
    // A caret between CR and LF erases whole breaks only.
    r.view.set_text("A\r\nB");
    r.view.set_selection_start(2);
    r.keys({Qt::Key_Backspace});
    QCOMPARE(r.view.text(), std::string("\r\nB"));
    // A character without a Latin-1 code is not taken.
    QTest::sendKeyEvent(QTest::Press, &r.edit, Qt::Key_unknown, QString(QChar(0x20AC)),
                        Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, &r.edit, Qt::Key_Eacute, QString(QChar(0xE9)),
                        Qt::NoModifier);
    QCOMPARE(r.view.text(), std::string("\xE9\r\nB"));
}

void ProgramEditTest::paste_takes_latin1_only() {
    Rig r("N1");
    r.view.set_selection_start(2);
    QApplication::clipboard()->setText(QStringLiteral("\nG1 X\u00e9"));
    r.keys({Qt::CTRL | Qt::Key_V});
    QCOMPARE(r.view.text(), std::string("N1\r\nG1 X\xE9"));
    QCOMPARE(r.caret(), r.view.length());
    // One character outside Latin-1 refuses the whole text.
    QApplication::clipboard()->setText(QStringLiteral("G2 \u20ac5"));
    r.keys({Qt::CTRL | Qt::Key_V});
    QCOMPARE(r.view.text(), std::string("N1\r\nG1 X\xE9"));
    // Cut takes the selection to the clipboard.
    r.view.set_selection_start(0);
    r.view.set_selection_length(4);
    r.keys({Qt::CTRL | Qt::Key_X});
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("N1\n"));
    QCOMPARE(r.view.text(), std::string("G1 X\xE9"));
}

void ProgramEditTest::mouse_places_the_caret_and_drags_a_selection() {
    Rig r;
    r.edit.setReadOnly(true);
    r.mouse(QEvent::MouseButtonPress, r.cell(1, 1), Qt::LeftButton);
    QCOMPARE(r.caret(), TextPos(12));
    r.mouse(QEvent::MouseMove, r.cell(2, 3), Qt::LeftButton);
    r.mouse(QEvent::MouseButtonRelease, r.cell(2, 3), Qt::NoButton);
    QCOMPARE(r.selected(), std::string("20\r\nN30"));
    // Shift extends from the anchor; a click beyond a line's end lands on it.
    r.mouse(QEvent::MouseButtonPress, r.cell(0, 40), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(r.edit.model().anchor(), TextPos(12));
    QCOMPARE(r.caret(), TextPos(9));
    // The wheel scrolls without moving the caret.
    std::string program;
    for (int i = 0; i < 200; ++i) program += "N" + std::to_string(i) + "\r\n";
    r.view.set_text(program);
    QWheelEvent wheel(QPointF(50, 50), r.edit.viewport()->mapToGlobal(QPointF(50, 50)), {},
                      {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(r.edit.viewport(), &wheel);
    QVERIFY(r.edit.first_visible_line() > 0);
    QCOMPARE(r.caret(), TextPos(0));
}

void ProgramEditTest::programmatic_selection_scrolls_into_view() {
    std::string program;
    for (int i = 0; i < 1000; ++i) program += "N" + std::to_string(i) + "\r\n";
    program += std::string(3000, 'X') + "\r\nEND";
    Rig r(program);
    const QRect sight = r.edit.viewport()->rect();
    for (const std::int64_t line : {900, 10, 999, 0}) {
        r.view.select_line_from(r.edit.model().lines().line_start(line));
        QVERIFY(r.edit.first_visible_line() <= line);
        QVERIFY(line < r.edit.first_visible_line() + r.edit.lines_in_sight());
        QVERIFY(sight.contains(r.edit.caret_rect()));
    }
    // The end of a long line is brought in sideways, and the next block back.
    r.view.select_line_from(r.edit.model().lines().line_start(1000));
    QVERIFY(r.edit.horizontalScrollBar()->value() > 0);
    QVERIFY(sight.contains(r.edit.caret_rect()));
    r.view.select_line_from(r.edit.model().lines().line_start(1001));
    QCOMPARE(r.edit.horizontalScrollBar()->value(), 0);
}

void ProgramEditTest::a_new_selection_repaints_only_its_lines() {
    std::string program;
    for (int i = 0; i < 100; ++i) program += "N" + std::to_string(i) + "\r\n";
    Rig r(program);
    PaintSpy spy;
    r.edit.viewport()->installEventFilter(&spy);
    QCoreApplication::processEvents();
    const int line_height = r.edit.caret_rect().height();
    r.view.select_line_from(r.edit.model().lines().line_start(2));
    r.view.select_line_from(r.edit.model().lines().line_start(3));
    QCoreApplication::processEvents();
    spy.painted = {};
    r.view.select_line_from(r.edit.model().lines().line_start(4));
    QTRY_VERIFY(!spy.painted.isEmpty());
    // Line 3 loses the highlight and line 4 gains it: two lines, one paint.
    QCOMPARE(spy.painted.boundingRect().height(), 2 * line_height);
    QCOMPARE(spy.painted.boundingRect().width(), r.edit.viewport()->width());
}

void ProgramEditTest::a_million_lines_paint_at_once() {
    std::string program;
    program.reserve(20'000'000);
    for (int i = 0; i < 1'000'000; ++i) program += "N" + std::to_string(i) + " G1 X1.5 Y-2.25\r\n";
    QElapsedTimer timer;
    timer.start();
    Rig r(program);
    QVERIFY(!r.edit.grab().isNull());
    r.keys({Qt::CTRL | Qt::Key_End});
    QVERIFY(!r.edit.grab().isNull());
    QCOMPARE(r.caret(), r.view.length());
    QVERIFY(r.edit.first_visible_line() > 999'000);
    // Laying out every line would take many seconds here.
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_MAIN(ProgramEditTest)
#include "program_edit_test.moc"
