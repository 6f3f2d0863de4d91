#include "text/plain_text_view.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(PlainTextView, EveryKindOfBreakReadsBackAsCrLf) {
    PlainTextView view;
    view.set_text("N1\nN2\r\nN3\rN4\r\n\r\n");
    EXPECT_EQ(view.text(), "N1\r\nN2\r\nN3\r\nN4\r\n\r\n");
    EXPECT_EQ(view.length(), 18);
}

TEST(PlainTextView, LinesAreCutByPosition) {
    PlainTextView view;
    view.set_text("G90\r\nX1.5\r\n\r\nM30\r\n");
    // Each line's text without its break; the next starts at length + 2.
    EXPECT_EQ(view.select_line_from(0), "G90");
    EXPECT_EQ(view.selection_start(), 0);
    EXPECT_EQ(view.selection_length(), 3);
    EXPECT_EQ(view.select_line_from(5), "X1.5");
    EXPECT_EQ(view.select_line_from(11), "");
    EXPECT_EQ(view.select_line_from(13), "M30");
    EXPECT_EQ(view.select_line_from(18), "");  // the empty block at the very end
    EXPECT_EQ(view.select_line_from(1000), "");
}

TEST(PlainTextView, LineIndexCountsBreaksAsTwoCharacters) {
    PlainTextView view;
    view.set_text("ab\r\ncd\r\n");
    struct Case {
        TextPos pos;
        std::int64_t line;
    };
    for (const Case c : {Case{0, 0}, Case{2, 0}, Case{3, 0}, Case{4, 1}, Case{7, 1}, Case{8, 2},
                         Case{99, 2}, Case{-5, 0}}) {
        SCOPED_TRACE(c.pos);
        EXPECT_EQ(view.line_index(c.pos), c.line);
    }
}

TEST(PlainTextView, SelectionIsClampedToTheText) {
    PlainTextView view;
    view.set_text("abc");
    view.set_selection_start(2);
    view.set_selection_length(10);
    EXPECT_EQ(view.selection_length(), 1);
    EXPECT_EQ(view.selected_text(), "c");
    view.set_selection_start(-3);
    EXPECT_EQ(view.selection_start(), 0);
    EXPECT_EQ(view.selection_length(), 0);
}

TEST(PlainTextView, ReplaceSelectionKeepsLineIndexTrue) {
    PlainTextView view;
    view.set_text("N1\r\nN3");
    view.set_selection_start(4);
    view.replace_selection("N2\nX");
    EXPECT_EQ(view.text(), "N1\r\nN2\r\nXN3");
    EXPECT_EQ(view.selection_start(), 9);
    EXPECT_EQ(view.line_index(9), 2);
}

TEST(PlainTextView, FindWithinRange) {
    PlainTextView view;
    view.set_text("G90 X1\r\ng90 S500\r\nT1 M6\r\n");
    view.set_selection_start(3);
    // Without highlighting the selection stays.
    EXPECT_EQ(view.find("G90", 1, -1, true, false), -1);
    EXPECT_EQ(view.find("G90", 1, -1, false, false), 8);
    EXPECT_EQ(view.selection_start(), 3);
    // The occurrence must end within [start, end).
    EXPECT_EQ(view.find("S500", 0, 15, true, false), -1);
    EXPECT_EQ(view.find("S500", 0, 16, true, false), 12);
    // A line break is found as CR LF.
    EXPECT_EQ(view.find("\n", 0, -1, true, false), 7);
    EXPECT_EQ(view.find("\r\ng", 0, -1, true, false), 6);
    // With highlighting the match is selected.
    EXPECT_EQ(view.find("t1", 0, -1, false, true), 18);
    EXPECT_EQ(view.selection_start(), 18);
    EXPECT_EQ(view.selected_text(), "T1");
}

TEST(PlainTextView, FindIgnoresCaseOfLatin1Letters) {
    PlainTextView view;
    view.set_text("(\xC9TAPE 1)");  // capital E acute
    EXPECT_EQ(view.find("\xE9tape", 0, -1, false, false), 1);
    EXPECT_EQ(view.find("\xE9tape", 0, -1, true, false), -1);
    // The multiplication and division signs are not a letter pair.
    view.set_text("\xD7");
    EXPECT_EQ(view.find("\xF7", 0, -1, false, false), -1);
}

}  // namespace
}  // namespace feedrite
