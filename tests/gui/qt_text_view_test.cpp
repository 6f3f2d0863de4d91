// The window's view keeps the widget's picture in step with every change the
// core makes through it, and stays cheap per block on a large program. Its
// positions are those of the store, compared with the plain view in core_tests.

#include "app/toolkit/qt_text_view.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include "app/program_edit.h"
#include "app/window_state.h"
#include "btr/block/hilight_line.h"

using namespace feedrite;

class QtTextViewTest : public QObject {
    Q_OBJECT

  private slots:
    void latin1_survives_the_round_trip();
    void changes_through_the_view_reach_the_widget();
    void blocks_are_cut_fast_on_a_large_program();
};

void QtTextViewTest::latin1_survives_the_round_trip() {
    std::string every_byte;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n') every_byte += static_cast<char>(c);
    ProgramEdit edit;
    QtTextView view(edit);
    view.set_text(every_byte + "\r\n" + every_byte);
    QCOMPARE(view.text(), every_byte + "\r\n" + every_byte);
    QCOMPARE(view.select_line_from(0), every_byte);
    edit.resize(300, 200);
    edit.show();
    QVERIFY(!edit.grab().isNull());  // control characters paint as blanks
}

void QtTextViewTest::changes_through_the_view_reach_the_widget() {
    ProgramEdit edit;
    QtTextView view(edit);
    edit.resize(300, 120);
    // Text replaced by the core: the widget's scroll range follows.
    std::string long_program;
    for (int i = 0; i < 500; ++i) long_program += "N" + std::to_string(i) + "\r\n";
    view.set_text(long_program);
    QVERIFY(edit.verticalScrollBar()->maximum() > 400);
    view.set_selection_start(view.length());
    QVERIFY(edit.first_visible_line() > 400);
    // find without highlighting leaves the picture alone.
    const auto last = static_cast<TextPos>(long_program.find("N499"));
    view.set_selection_start(0);
    QCOMPARE(view.find("N499", 0, -1, true, false), last);
    QCOMPARE(edit.first_visible_line(), std::int64_t(0));
    QCOMPARE(view.find("N499", 0, -1, true, true), last);
    QVERIFY(edit.first_visible_line() > 400);
    view.replace_selection("X");
    QCOMPARE(view.line_index(view.selection_start()), std::int64_t(499));
    QCOMPARE(edit.model().lines().line(499), std::string_view("X"));
}

void QtTextViewTest::blocks_are_cut_fast_on_a_large_program() {
    std::string program;
    for (int i = 0; i < 1'000'000; ++i) program += "N" + std::to_string(i) + " G1 X1.5\r\n";
    ProgramEdit edit;
    edit.resize(600, 400);
    edit.show();
    QtTextView view(edit);
    WindowState state;
    view.set_text(program);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    // What the send driver does per block, from the middle of the program.
    TextPos start = view.find("N500000 ", 0, -1, true, false);
    for (int i = 0; i < 2000; ++i) {
        view.set_selection_start(start);
        hilight_line(view, state);
        const std::string block = view.select_line_from(start);
        QCOMPARE(block, "N" + std::to_string(500000 + i) + " G1 X1.5");
        start += static_cast<TextPos>(block.size()) + 2;
        QCoreApplication::processEvents();
    }
    // A search or a walk over the text per block would take many seconds.
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(edit.first_visible_line() > 500000);
}

QTEST_MAIN(QtTextViewTest)
#include "qt_text_view_test.moc"
