// The view's editing rules without a window: caret motion, erasing at breaks,
// the lit cells of a selection, and undo with typing grouped.

#include "text/text_editing.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

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
        {5, false, {4, 5}},  {5, true, {5, 6}}, {11, false, {9, 11}},  {9, true, {9, 11}},
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
