// SPDX-License-Identifier: GPL-3.0-or-later
// The text view's contract on the plain view, which stores CR LF itself; the
// line-offset store and its view must give exactly the plain view's answers.

#include "text/line_text.h"

#include <gtest/gtest.h>

#include <random>

#include "text/line_text_view.h"
#include "text/plain_text_view.h"
#include "text/text_editing.h"

namespace feedrite {
namespace {

TEST(LineText, EveryKindOfBreakIsOneLine) {
    const std::tuple<std::string, std::vector<std::string>, const char*> cases[] = {
        {"", {""}, ""},
        {"N1\n\rN2", {"N1", "", "N2"}, "N1\r\n\r\nN2"},  // LF CR is two
        {"a\r\n\r\rb\nc\r", {"a", "", "", "b", "c", ""}, "a\r\n\r\n\r\nb\r\nc\r\n"},
    };
    for (const auto& [input, lines, crlf] : cases) {
        SCOPED_TRACE(input);
        LineText text;
        text.set_text(input);
        ASSERT_EQ(text.line_count(), static_cast<std::int64_t>(lines.size()));
        std::size_t widest = 0;
        for (std::int64_t i = 0; const std::string& line : lines) {
            EXPECT_EQ(text.line(i++), line);
            widest = std::max(widest, line.size());
        }
        EXPECT_EQ(text.text(), crlf);
        EXPECT_EQ(text.length(), static_cast<TextPos>(std::string_view(crlf).size()));
        EXPECT_EQ(text.widest_line(), static_cast<std::int64_t>(widest));
    }
}

// Ordinary inserts and removals are checked against the plain view by the
// random test below; here the edges it avoids.
TEST(LineText, ReplaceKeepsTheIndexTrue) {
    // "N1\r\nN2\r\nN3": lines at 0, 4 and 8.
    const std::tuple<const char*, TextPos, TextPos, std::string, std::string, TextPos> cases[] = {
        // A bound on the LF of a break counts as its CR: no half break is left.
        {"from an LF", 3, 5, "", "N12\r\nN3", 2},
        {"to an LF", 0, 3, "", "\r\nN2\r\nN3", 0},
        {"out of range", -5, 99, "Z", "Z", 1},
    };
    for (const auto& [name, from, to, insert, expected, end] : cases) {
        SCOPED_TRACE(name);
        LineText text, fresh;
        text.set_text("N1\r\nN2\r\nN3");
        const auto before = text.revision();
        EXPECT_EQ(text.replace(from, to, insert), end);
        EXPECT_NE(text.revision(), before);
        EXPECT_EQ(text.text(), expected);
        fresh.set_text(expected);  // the index must agree with one built from the result
        ASSERT_EQ(text.line_count(), fresh.line_count());
        for (std::int64_t i = 0; i < fresh.line_count(); ++i) {
            EXPECT_EQ(text.line(i), fresh.line(i));
            EXPECT_EQ(text.line_start(i), fresh.line_start(i));
        }
        EXPECT_GE(text.widest_line(), fresh.widest_line());
    }
}

// Random texts with every kind of break and letters of both cases, random
// operations on both views: every answer and the resulting state must agree.
TEST(LineTextView, AgreesWithThePlainViewOnRandomOperations) {
    std::mt19937 rng(2024);
    const auto text_of = [&](unsigned size) {
        static const char alphabet[] = "NnGXsSz 0.1\r\n\r\n\xE9\xC9";
        std::string text;
        while (text.size() < size) text += alphabet[rng() % (sizeof alphabet - 1)];
        return text;
    };
    const auto pos_in = [&](TextPos length) {
        return static_cast<TextPos>(rng() % static_cast<unsigned>(length + 3)) - 1;
    };
    // Off the LF of a break, where the plain view would split what this view keeps whole.
    const auto outside_breaks = [](const std::string& crlf, TextPos pos) {
        pos = std::clamp<TextPos>(pos, 0, static_cast<TextPos>(crlf.size()));
        return pos > 0 && crlf[static_cast<std::size_t>(pos - 1)] == '\r' ? pos - 1 : pos;
    };
    const auto state = [](const TextView& v) {
        return std::tuple(v.text(), v.length(), v.selection_start(), v.selection_length(),
                          v.selected_text());
    };
    LineTextView line;
    PlainTextView plain;
    const auto both = [&](auto op) { op(line), op(plain); };
    for (int round = 0; round < 60; ++round) {
        const std::string text = text_of(rng() % 60);
        both([&](TextView& v) { v.set_text(text); });
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(testing::Message() << "round " << round << " step " << step << " text "
                                            << ::testing::PrintToString(plain.text()));
            const TextPos pos = pos_in(plain.length()), end = pos_in(plain.length());
            const std::string what = text_of(rng() % 4);
            const bool match_case = rng() % 2 == 0, highlight = rng() % 2 == 0;
            ASSERT_EQ(line.find(what, pos, end, match_case, highlight),
                      plain.find(what, pos, end, match_case, highlight));
            ASSERT_EQ(line.line_index(pos), plain.line_index(pos));
            switch (rng() % 4) {
                case 0:
                    both([&](TextView& v) { v.set_selection_start(pos); });
                    break;
                case 1:
                    both([&](TextView& v) { v.set_selection_length(end % 10); });
                    break;
                case 2:
                    ASSERT_EQ(line.select_line_from(pos), plain.select_line_from(pos));
                    break;
                case 3: {
                    const std::string crlf = plain.text();
                    const TextPos from = outside_breaks(crlf, pos);
                    const TextPos to = outside_breaks(crlf, from + end % 8);
                    both([&](TextView& v) {
                        v.set_selection_start(from);
                        v.set_selection_length(to - from);
                        v.replace_selection(what);
                    });
                }
            }
            ASSERT_EQ(state(line), state(plain));
        }
    }
}

TEST(LineTextView, SelectionKeepsItsMovingEnd) {
    LineTextView view;
    view.set_text("N1\r\nN2\r\n");
    view.select(6, 1);
    EXPECT_EQ(view.caret(), 1);
    EXPECT_EQ(view.selected_text(), "1\r\nN2");  // from its start
    view.set_selection_start(3);  // the seam's selection grows forwards: the caret is its far end
    view.set_selection_length(2);
    EXPECT_EQ(std::pair(view.anchor(), view.caret()), std::pair(TextPos{3}, TextPos{5}));
    view.select(-3, 99);
    EXPECT_EQ(std::pair(view.anchor(), view.caret()), std::pair(TextPos{0}, TextPos{8}));
}

TEST(TextViews, LinesAndPositionsCountEveryBreakAsCrLf) {
    PlainTextView v;
    v.set_text("N1\nX1.5\r\n\rM30\r\n");
    EXPECT_EQ(v.text(), "N1\r\nX1.5\r\n\r\nM30\r\n");
    // From a position: the rest of its line without the break, and the line.
    const std::tuple<TextPos, const char*, std::int64_t> cases[] = {
        {-5, "N1", 0}, {1, "1", 0},    {2, "", 0},  {3, "", 0},  {4, "X1.5", 1},
        {10, "", 2},   {12, "M30", 3}, {16, "", 3}, {17, "", 4}, {99, "", 4}};
    for (const auto& [pos, rest, line] : cases) {
        EXPECT_EQ(v.line_index(pos), line) << pos;
        EXPECT_EQ(v.select_line_from(pos), rest) << pos;
        EXPECT_EQ(v.selection_start(), std::clamp<TextPos>(pos, 0, 17)) << pos;
    }
    v.set_text("N1\r\nN3");
    v.set_selection_start(2);
    v.set_selection_length(10);
    EXPECT_EQ(v.selected_text(), "\r\nN3") << "clamped";
    v.set_selection_start(-3);
    EXPECT_EQ(v.selection_start() + v.selection_length(), 0);
    v.set_selection_start(4);
    v.replace_selection("N2\nX");
    EXPECT_EQ(v.text(), "N1\r\nN2\r\nXN3");
    EXPECT_EQ(v.selection_start(), 9);
}

TEST(TextViews, FindWithinRange) {
    PlainTextView v;
    v.set_text("G90 X1\r\ng90 S500\r\nT1 M6\r\n(\xC9TAPE \xD7)");
    v.set_selection_start(3);
    const std::tuple<const char*, TextPos, bool, TextPos> cases[] = {
        {"S500", 15, true, -1},       // a match must end within [start, end)
        {"S500", 16, true, 12},       // ends exactly at the end
        {"\n", -1, true, 7},          // a break is CR LF
        {"\r\ng", -1, true, 6},       // across a break
        {"\xE9tape", -1, false, 26},  // Latin-1 letters ignore case too
        {"\xF7", -1, false, -1},      // the multiplication and division signs are no pair
    };
    for (const auto& [what, end, match_case, at] : cases)
        EXPECT_EQ(v.find(what, 1, end, match_case, false), at) << what << " to " << end;
    EXPECT_EQ(v.selection_start(), 3);  // not highlighted: the selection stays
    EXPECT_EQ(v.find("t1", 0, -1, false, true), 18);
    EXPECT_EQ(v.selected_text(), "T1");
}

// The view's editing rules without a window: caret motion, erasing at breaks,
// the lit cells of a selection, and undo with typing grouped.

// Lines start at 0, 11 and 16: "N10 G0 X1", "N20", "N30 M30".
LineText three_lines() {
    LineText lines;
    lines.set_text("N10 G0 X1\r\nN20\r\nN30 M30");
    return lines;
}

std::pair<TextPos, TextPos> ends(Span span) {
    return {span.from, span.to};
}

TEST(TextEditing, MotionsFromAPosition) {
    const LineText lines = three_lines();
    const std::tuple<TextPos, Motion, TextPos> cases[] = {
        {5, Motion::Right, 6},     {5, Motion::Left, 4},     {9, Motion::Right, 11},
        {11, Motion::Left, 9},     {0, Motion::Left, 0},     {23, Motion::Right, 23},
        {5, Motion::WordRight, 7}, {5, Motion::WordLeft, 4}, {11, Motion::WordLeft, 9},
        {5, Motion::Down, 14},     {5, Motion::Up, 5},       {20, Motion::Up, 14},
        {5, Motion::PageDown, 21}, {5, Motion::Home, 0},     {5, Motion::End, 9},
        {5, Motion::Top, 0},       {5, Motion::Bottom, 23},  {10, Motion::Right, 11},
    };
    for (const auto& [from, motion, to] : cases) {
        std::int64_t goal = -1;
        EXPECT_EQ(moved(lines, from, motion, 2, goal), to) << from << " " << int(motion);
    }
    // Down then up past a short line comes back to the column it left.
    std::int64_t goal = -1;
    TextPos at = 8;
    for (const Motion m : {Motion::Down, Motion::Down, Motion::Up, Motion::Up})
        at = moved(lines, at, m, 2, goal);
    EXPECT_EQ(at, 8);
}

TEST(TextEditing, ErasingTakesWholeBreaksAndASelectionLightsItsBreakCell) {
    const LineText lines = three_lines();
    const std::tuple<TextPos, bool, Span> erased[] = {
        {5, false, {4, 5}},  {5, true, {5, 6}},  {11, false, {9, 11}}, {9, true, {9, 11}},
        {10, false, {8, 9}}, {0, false, {0, 0}}, {23, true, {23, 23}},
    };
    for (const auto& [caret, forward, span] : erased)
        EXPECT_EQ(ends(erased_span(lines, caret, forward)), ends(span)) << caret << forward;
    const std::tuple<std::int64_t, TextPos, TextPos, Span> lit[] = {
        {0, 0, 11, {0, 10}},  // the line and its break
        {0, 2, 9, {2, 9}},    // inside the line
        {1, 0, 11, {0, 0}},   // a line below the selection
        {1, 12, 14, {1, 3}},  // part of a line
        {2, 16, 23, {0, 7}},  // the last line has no break to light
        {0, 5, 5, {0, 0}},    // nothing selected
    };
    for (const auto& [line, start, end, cells] : lit)
        EXPECT_EQ(ends(selected_cells(lines, line, start, end)), ends(cells)) << line << start;
}

TEST(TextEditing, UndoTakesTypedCharactersAsOneStep) {
    LineTextView view;
    view.set_text("N1\r\nN2");
    EditHistory history;
    TextPos at = 2;
    for (const char* typed : {"X", "1", "2"}) history.edit(view, at, at, typed), ++at;
    history.edit(view, 6, 9, "");  // from inside the break: it snaps to the CR
    EXPECT_EQ(view.text(), "N1X12");
    ASSERT_TRUE(history.undo(view));
    EXPECT_EQ(view.text(), "N1X12\r\nN2");
    ASSERT_TRUE(history.undo(view));
    EXPECT_EQ(view.text(), "N1\r\nN2");
    EXPECT_FALSE(history.undo(view));
    ASSERT_TRUE(history.redo(view));
    EXPECT_EQ(view.text(), "N1X12\r\nN2");
    history.edit(view, 0, 0, "%");  // a new edit forgets what could be made again
    EXPECT_FALSE(history.redo(view));
}

}  // namespace
}  // namespace feedrite
