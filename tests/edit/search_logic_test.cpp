#include "edit/search_logic.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "tests/support/scripted_host.h"
#include "text/plain_text_view.h"

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
    // A box ticked or unticked, or none: a key typed into the text box.
    const std::tuple<const char*, SearchSettings, std::optional<SearchBox>, bool, SearchSettings>
        cases[] = {
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
    for (auto [name, settings, box, on, after] : cases) {
        box ? set_box(settings, *box, on) : text_key_press(settings);
        EXPECT_EQ(settings, after) << name;
    }
    for (const auto& [settings, text] : {std::pair(with("", "BMC"), ""),
                                         {with("", "S"), "S"},
                                         {with("", "TS"), "T"},
                                         {with("M6", "TS"), "M6"}})
        EXPECT_EQ(search_text_for(settings), text);
}

// Lines start at 0, 10, 20, 33 and 48; a highlighted line holds its CR.
const std::string program =
    "N1 G0 X1\r\nN2 T2 M6\r\nN3 S1200 M3\r\nN4 (tools t3)\r\nN5 T3 S800\r\n";

TEST(Search, MovesTheCaretToTheMatchAndHighlightsItsLine) {
    using R = SearchResult;
    using Case = std::tuple<const char*, SearchSettings, TextPos, SearchResult, TextPos, TextPos>;
    const Case cases[] = {
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
    for (const auto& [name, settings, caret, result, start, length] : cases) {
        SCOPED_TRACE(name);
        PlainTextView view;
        view.set_text(program);
        view.set_selection_start(caret);
        WindowState state;
        state.Live_DNC_startpoint = -1;
        testing::ScriptedHost host;
        EXPECT_EQ(run_search(settings, view, state, host), result);
        EXPECT_EQ(view.selection_start(), start);
        EXPECT_EQ(view.selection_length(), length);
        EXPECT_EQ(state.Live_DNC_startpoint, result == R::Found ? start : -1);
        EXPECT_EQ(host.messages.size(), result == R::NotFound ? 1u : 0u);
        EXPECT_EQ(host.beeps, result == R::NothingToSearch ? 1 : 0);
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
    // The main window's left and width, the screen's right edge, the dialog's left.
    const std::array<int, 4> cases[] = {
        {4200, 15000, 19200, 15200},  // main window's right edge on the screen's
        {1200, 15000, 19200, 14200},  // 3000 inside: 2000 left of that edge
        {2200, 15000, 19200, 15200},  // just fits
        {-500, 1000, 3000, -1500},    // no correction on the left
    };
    for (const auto& [main_left, main_width, screen_right, left] : cases) {
        const auto p = search_dialog_position(main_left, 600, main_width, 4000, screen_right);
        EXPECT_EQ(std::pair(p.left, p.top), std::pair(left, 600)) << main_left;
    }
}

}  // namespace
}  // namespace feedrite
