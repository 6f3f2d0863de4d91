// The Qt view must give exactly the positions of the plain view, which stores
// CR LF itself: every operation runs on both and the answers are compared.

#include <QPlainTextEdit>
#include <QTest>
#include <random>

#include "app/toolkit/plain_text_view.h"
#include "app/toolkit/qt_text_view.h"

using namespace feedrite;

class QtTextViewTest : public QObject {
    Q_OBJECT

private slots:
    void text_reads_back_with_crlf();
    void positions_map_both_ways();
    void lines_are_cut_like_the_plain_view();
    void find_matches_the_plain_view();
    void latin1_survives_the_round_trip();
    void replace_selection_matches_the_plain_view();
    void mapping_is_fast_on_a_large_program();
};

void QtTextViewTest::text_reads_back_with_crlf() {
    QPlainTextEdit edit;
    QtTextView view(edit);
    view.set_text("N1\nN2\r\nN3\rN4\r\n");
    QCOMPARE(view.text(), std::string("N1\r\nN2\r\nN3\r\nN4\r\n"));
    QCOMPARE(view.length(), TextPos(16));
    QCOMPARE(edit.document()->blockCount(), 5);
}

void QtTextViewTest::positions_map_both_ways() {
    QPlainTextEdit edit;
    QtTextView view(edit);
    view.set_text("ab\r\n\r\ncde\r\n");
    // Qt holds "ab\n\ncde\n": view positions 0 1 2 | 4 | 6 7 8 | 11.
    struct Case {
        int qt;
        TextPos pos;
    };
    for (const Case c : {Case{0, 0}, Case{2, 2}, Case{3, 4}, Case{4, 6}, Case{6, 8}, Case{7, 9},
                         Case{8, 11}}) {
        QCOMPARE(view.from_qt(c.qt), c.pos);
        QCOMPARE(view.to_qt(c.pos), c.qt);
    }
    // The LF of a break maps onto the break itself.
    QCOMPARE(view.to_qt(3), 2);
    QCOMPARE(view.to_qt(10), 7);
    QCOMPARE(view.to_qt(1000), 8);
}

void QtTextViewTest::lines_are_cut_like_the_plain_view() {
    const std::string program = "%\r\nO1000\r\n\r\nG0 X1.5 Y2\r\nM30\r\n";
    QPlainTextEdit edit;
    QtTextView qt(edit);
    PlainTextView plain;
    qt.set_text(program);
    plain.set_text(program);
    for (TextPos start = 0; start <= plain.length();) {
        const std::string block = plain.select_line_from(start);
        QCOMPARE(qt.select_line_from(start), block);
        QCOMPARE(qt.selection_start(), plain.selection_start());
        QCOMPARE(qt.selection_length(), plain.selection_length());
        QCOMPARE(qt.line_index(start), plain.line_index(start));
        start += static_cast<TextPos>(block.size()) + 2;
    }
}

void QtTextViewTest::find_matches_the_plain_view() {
    const std::string program = "G90 S100\r\nt2 m6\r\n(S-CODE)\r\nS200 T3\r\n";
    QPlainTextEdit edit;
    QtTextView qt(edit);
    PlainTextView plain;
    qt.set_text(program);
    plain.set_text(program);
    const char* patterns[] = {"S", "s", "T", "\n", "\r\n", "6\r\n(", "S200 T3", "X", ""};
    for (const char* what : patterns) {
        for (TextPos start = 0; start <= plain.length(); start += 3) {
            for (const TextPos end : {TextPos(-1), TextPos(12), TextPos(20), plain.length()}) {
                for (const bool match_case : {true, false}) {
                    const TextPos expected = plain.find(what, start, end, match_case, true);
                    QCOMPARE(qt.find(what, start, end, match_case, true), expected);
                    if (expected >= 0) {
                        QCOMPARE(qt.selection_start(), plain.selection_start());
                        QCOMPARE(QString::fromLatin1(qt.selected_text()), QString::fromLatin1(plain.selected_text()));
                    }
                }
            }
        }
    }
    // Without highlighting the caret stays where it was.
    qt.set_selection_start(4);
    QCOMPARE(qt.find("T3", 0, -1, true, false), TextPos(32));
    QCOMPARE(qt.selection_start(), TextPos(4));
    QCOMPARE(qt.selection_length(), TextPos(0));
}

void QtTextViewTest::latin1_survives_the_round_trip() {
    std::string every_byte;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n' && c != 0) every_byte += static_cast<char>(c);
    QPlainTextEdit edit;
    QtTextView view(edit);
    view.set_text(every_byte + "\r\n" + every_byte);
    QCOMPARE(view.text(), every_byte + "\r\n" + every_byte);
    QCOMPARE(view.select_line_from(0), every_byte);
}

void QtTextViewTest::replace_selection_matches_the_plain_view() {
    std::mt19937 random(7);
    QPlainTextEdit edit;
    QtTextView qt(edit);
    PlainTextView plain;
    qt.set_text("N10 G0\r\nN20 X1\r\nN30 M30\r\n");
    plain.set_text(qt.text());
    const char* inserts[] = {"A", "\r\n", "B\nC", ""};
    for (int round = 0; round < 40; ++round) {
        const TextPos length = plain.length();
        // Positions inside a break are left out: the two views may place them
        // on either side of the break.
        TextPos start = static_cast<TextPos>(random() % static_cast<unsigned>(length + 1));
        if (start > 0 && plain.text()[static_cast<std::size_t>(start - 1)] == '\r') --start;
        plain.set_selection_start(start);
        qt.set_selection_start(start);
        const char* what = inserts[random() % 4];
        plain.replace_selection(what);
        qt.replace_selection(what);
        QCOMPARE(qt.text(), plain.text());
        QCOMPARE(qt.selection_start(), plain.selection_start());
    }
}

void QtTextViewTest::mapping_is_fast_on_a_large_program() {
    std::string program;
    for (int i = 0; i < 200000; ++i) program += "N" + std::to_string(i) + " G1 X1.5 Y2.5\r\n";
    QPlainTextEdit edit;
    QtTextView view(edit);
    view.set_text(program);
    QElapsedTimer timer;
    timer.start();
    TextPos start = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string block = view.select_line_from(start);
        start += static_cast<TextPos>(block.size()) + 2;
        QVERIFY(view.line_index(start) == i + 1);
    }
    // A walk over the document per call would take minutes here.
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(view.line_index(start), std::int64_t(20000));
}

QTEST_MAIN(QtTextViewTest)
#include "qt_text_view_test.moc"
