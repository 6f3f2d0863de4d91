// The text view's contract, held alike by the plain view and the line view.

#include "text/plain_text_view.h"

#include <gtest/gtest.h>

#include "text/line_text_view.h"

namespace feedrite {
namespace {

template <class Check>
void on_both(std::string_view text, Check check) {
    PlainTextView plain;
    LineTextView line;
    for (TextView* view : std::initializer_list<TextView*>{&plain, &line}) {
        SCOPED_TRACE(view == &plain ? "plain view" : "line view");
        view->set_text(text);
        check(*view);
    }
}

TEST(TextViews, LinesAndPositionsCountEveryBreakAsCrLf) {
    on_both("N1\nX1.5\r\n\rM30\r\n", [](TextView& v) {
        EXPECT_EQ(v.text(), "N1\r\nX1.5\r\n\r\nM30\r\n");
        EXPECT_EQ(v.length(), 17);
        // From a position: the rest of its line without the break, and the line.
        const std::tuple<TextPos, const char*, std::int64_t> cases[] = {
            {-5, "N1", 0}, {1, "1", 0}, {2, "", 0},   {3, "", 0},  {4, "X1.5", 1},
            {10, "", 2},   {12, "M30", 3}, {16, "", 3}, {17, "", 4}, {99, "", 4}};
        for (const auto& [pos, rest, line] : cases) {
            EXPECT_EQ(v.line_index(pos), line) << pos;
            EXPECT_EQ(v.select_line_from(pos), rest) << pos;
            EXPECT_EQ(v.selection_start(), std::clamp<TextPos>(pos, 0, 17)) << pos;
        }
    });
}

TEST(TextViews, SelectionIsClampedAndReplacedWithCrLfBreaks) {
    on_both("N1\r\nN3", [](TextView& v) {
        v.set_selection_start(2);
        v.set_selection_length(10);
        EXPECT_EQ(v.selection_length(), 4);
        EXPECT_EQ(v.selected_text(), "\r\nN3");
        v.set_selection_start(-3);
        EXPECT_EQ(v.selection_start() + v.selection_length(), 0);
        v.set_selection_start(4);
        v.replace_selection("N2\nX");
        EXPECT_EQ(v.text(), "N1\r\nN2\r\nXN3");
        EXPECT_EQ(v.selection_start(), 9);
        EXPECT_EQ(v.line_index(9), 2);
    });
}

TEST(TextViews, FindWithinRange) {
    on_both("G90 X1\r\ng90 S500\r\nT1 M6\r\n(\xC9TAPE \xD7)", [](TextView& v) {
        v.set_selection_start(3);
        const std::tuple<const char*, TextPos, bool, TextPos> cases[] = {
            {"G90", -1, true, -1},
            {"G90", -1, false, 8},
            {"S500", 15, true, -1},  // a match must end within [start, end)
            {"S500", 16, true, 12},
            {"\n", -1, true, 7},  // a break is CR LF
            {"\r\ng", -1, true, 6},
            {"\xE9tape", -1, false, 26},  // Latin-1 letters ignore case too
            {"\xE9tape", -1, true, -1},
            {"\xF7", -1, false, -1},  // the multiplication and division signs are no pair
        };
        for (const auto& [what, end, match_case, at] : cases)
            EXPECT_EQ(v.find(what, 1, end, match_case, false), at) << what << " to " << end;
        EXPECT_EQ(v.selection_start(), 3);  // not highlighted: the selection stays
        EXPECT_EQ(v.find("t1", 0, -1, false, true), 18);
        EXPECT_EQ(v.selected_text(), "T1");
    });
}

}  // namespace
}  // namespace feedrite
