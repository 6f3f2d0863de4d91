#include "edit/search_logic.h"

#include <gtest/gtest.h>

#include <optional>

#include "text/plain_text_view.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

// The text, then the letters of the ticked boxes: T, S, B(eginning), M(atch), C(ursor).
SearchSettings with(std::string text, std::string_view ticks) {
    const auto has = [&](char letter) { return ticks.find(letter) != ticks.npos; };
    SearchSettings s;
    s.Search_txt = std::move(text);
    s.chk_tcode = has('T'), s.chk_scode = has('S'), s.chk_from_beginning = has('B');
    s.chk_match_case = has('M'), s.Chk_from_cursor_fwd = has('C');
    return s;
}

TEST(SearchBoxes, TickingRunsTheBoxRuleAndUntickingDoesNothingElse) {
    EXPECT_EQ(SearchSettings{}, with("", "C"));
    const struct {
        const char* name;
        SearchSettings before;
        std::optional<SearchBox> box;  // none: a key typed into the text box
        bool on;
        SearchSettings after;
    } cases[] = {
        {"beginning", with("", "C"), SearchBox::FromBeginning, true, with("", "B")},
        {"cursor", with("", "BM"), SearchBox::FromCursorFwd, true, with("", "MC")},
        {"S", with("G0", "TC"), SearchBox::SCode, true, with("", "SC")},
        {"T", with("G0", "S"), SearchBox::TCode, true, with("", "T")},
        {"match case", with("G0", "C"), SearchBox::MatchCase, true, with("G0", "MC")},
        {"no From box", with("", "C"), SearchBox::FromCursorFwd, false, with("", "")},
        {"S off keeps text", with("X", "SC"), SearchBox::SCode, false, with("X", "C")},
        {"no change, no rule", with("X", "SC"), SearchBox::SCode, true, with("X", "SC")},
        {"typing", with("X", "TSBM"), std::nullopt, false, with("X", "BM")},
    };
    for (auto c : cases) {
        if (c.box)
            set_box(c.before, *c.box, c.on);
        else
            text_key_press(c.before);
        EXPECT_EQ(c.before, c.after) << c.name;
    }
    EXPECT_EQ(search_text_for(with("", "BMC")), "");
    EXPECT_EQ(search_text_for(with("", "S")), "S");
    EXPECT_EQ(search_text_for(with("", "TS")), "T");
    EXPECT_EQ(search_text_for(with("M6", "TS")), "M6");
}

// Lines start at 0, 10, 20, 33 and 48; a highlighted line holds its CR.
const std::string program =
    "N1 G0 X1\r\nN2 T2 M6\r\nN3 S1200 M3\r\nN4 (tools t3)\r\nN5 T3 S800\r\n";

TEST(Search, MovesTheCaretToTheMatchAndHighlightsItsLine) {
    using R = SearchResult;
    const struct {
        const char* name;
        SearchSettings settings;
        TextPos caret;
        SearchResult result;
        TextPos start, length;
    } cases[] = {
        {"next T", with("", "T"), 0, R::Found, 10, 9},
        {"lower-case t", with("", "T"), 20, R::Found, 33, 14},
        {"match case skips it", with("", "TM"), 20, R::Found, 48, 11},
        {"lower-case s", with("", "S"), 33, R::Found, 33, 14},
        {"match case skips that", with("", "SM"), 33, R::Found, 48, 11},
        {"first line, from beginning", with("n1", "B"), 40, R::Found, 0, 9},
        {"rest of the caret's line", with("M", ""), 24, R::Found, 20, 12},
        {"no match: caret stays", with("Q", "C"), 24, R::NotFound, 24, 0},
        {"no match from beginning", with("Q", "B"), 24, R::NotFound, 0, 0},
        {"nothing to search for", with("", "BMC"), 24, R::NothingToSearch, 24, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextView view;
        view.set_text(program);
        view.set_selection_start(c.caret);
        WindowState state;
        state.Live_DNC_startpoint = -1;
        testing::ScriptedHost host;
        EXPECT_EQ(run_search(c.settings, view, state, host), c.result);
        EXPECT_EQ(view.selection_start(), c.start);
        EXPECT_EQ(view.selection_length(), c.length);
        EXPECT_EQ(state.Live_DNC_startpoint, c.result == R::Found ? c.start : -1);
        EXPECT_EQ(host.messages.size(), c.result == R::NotFound ? 1u : 0u);
        EXPECT_EQ(host.beeps, c.result == R::NothingToSearch ? 1 : 0);
        EXPECT_EQ(dialog_hides(c.result), c.result != R::NothingToSearch);
    }
}

TEST(Search, RepeatedSearchFindsTheNextLineUntilNoneIsLeft) {
    PlainTextView view;
    view.set_text(program);
    WindowState state;
    testing::ScriptedHost host;
    for (TextPos line : {10, 33, 48}) {
        EXPECT_EQ(run_search(with("", "TC"), view, state, host), SearchResult::Found);
        EXPECT_EQ(state.Live_DNC_startpoint, line);
    }
    EXPECT_EQ(run_search(with("", "TC"), view, state, host), SearchResult::NotFound);
    EXPECT_EQ(view.selected_text(), "N5 T3 S800\r");
    ASSERT_EQ(host.messages.size(), 1u);
    const auto& m = host.messages[0];
    EXPECT_EQ(m.title + ": " + m.text, "Search message:: No matches found");
    EXPECT_TRUE(m.icon == MessageIcon::Exclamation && m.buttons == MessageButtons::Ok);
}

TEST(SearchDialogPosition, CentresOnTheRightEdgeAndKeepsTheDialogOnTheScreen) {
    // Twips: a 4000-wide dialog; the main window's top is 600.
    const struct {
        int main_left, main_width, screen_right, left;
    } cases[] = {
        {4200, 15000, 19200, 15200},  // main window's right edge on the screen's
        {1200, 15000, 19200, 14200},  // 3000 inside: 2000 left of that edge
        {2200, 15000, 19200, 15200},  // just fits
        {-500, 1000, 3000, -1500},    // no correction on the left
    };
    for (const auto& c : cases) {
        const auto p = search_dialog_position(c.main_left, 600, c.main_width, 4000, c.screen_right);
        EXPECT_EQ(p.left, c.left) << c.main_left;
        EXPECT_EQ(p.top, 600);
    }
}

}  // namespace
}  // namespace feedrite
