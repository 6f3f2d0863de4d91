#include "btr/block/hilight_line.h"

#include <gtest/gtest.h>

#include "app/toolkit/plain_text_view.h"

namespace feedrite {
namespace {

TEST(HilightLine, SelectsTheCaretLineAndMakesItTheStartPoint) {
    const std::string three = "G1\r\nG2\r\nG3\r\n", head = "G1\r\n", x253(253, 'X');
    const struct {
        std::string name, text;
        TextPos caret, start, length;
    } cases[] = {
        {"third line", three, 9, 8, 3},
        {"first line", three, 1, 0, 3},
        {"caret on the LF", three, 7, 4, 3},
        {"last line without LF", "G1\r\nG22", 5, 4, 3},
        {"after the last break", "G1\r\nG2\r\n", 8, 8, 0},
        {"empty text", "", 0, 0, 0},
        {"253 characters: whole line", head + x253 + "\r\n", 9, 4, 254},
        {"254 characters: look-back ends", head + x253 + "X\r\n", 9, 5, 254},
        {"300 characters", head + std::string(300, 'X') + "\r\n" + head, 9, 51, 254},
        {"300 characters without LF", head + std::string(300, 'X'), 9, 50, 254},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextView view;
        view.set_text(c.text);
        view.set_selection_start(c.caret);
        WindowState state;
        state.Live_DNC_startpoint = -1;
        hilight_line(view, state);
        EXPECT_EQ(view.selection_start(), c.start);
        EXPECT_EQ(view.selection_length(), c.length);
        EXPECT_EQ(state.Live_DNC_startpoint, c.start);
    }
}

}  // namespace
}  // namespace feedrite
