#include "edit/search_logic.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/toolkit/plain_text_view.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

// The controls as one readable string: the text, then a letter per ticked box.
std::string shown(const SearchSettings& s) {
    std::string ticks = "'" + s.Search_txt + "' ";
    ticks += s.chk_tcode ? 'T' : '-';
    ticks += s.chk_scode ? 'S' : '-';
    ticks += s.chk_from_beginning ? 'B' : '-';
    ticks += s.chk_match_case ? 'M' : '-';
    ticks += s.Chk_from_cursor_fwd ? 'C' : '-';
    return ticks;
}

TEST(SearchBoxes, TickingRunsTheBoxRuleAndUntickingDoesNothingElse) {
    using Step = std::function<void(SearchSettings&)>;
    const auto tick = [](SearchBox b, bool on) { return [=](SearchSettings& s) { set_box(s, b, on); }; };
    const struct {
        const char* name;
        std::string text;
        std::vector<Step> steps;
        std::string expected;
    } cases[] = {
        {"initial state", "", {}, "'' ----C"},
        {"from beginning unticks from cursor", "", {tick(SearchBox::FromBeginning, true)}, "'' --B--"},
        {"and back", "", {tick(SearchBox::FromBeginning, true), tick(SearchBox::FromCursorFwd, true)}, "'' ----C"},
        {"S empties the text and unticks T", "G0", {tick(SearchBox::TCode, true), [](SearchSettings& s) { s.Search_txt = "G0"; }, tick(SearchBox::SCode, true)}, "'' -S--C"},
        {"T unticks S", "", {tick(SearchBox::SCode, true), tick(SearchBox::TCode, true)}, "'' T---C"},
        {"match case alone", "G0", {tick(SearchBox::MatchCase, true)}, "'G0' ---MC"},
        {"both From boxes may be off", "", {tick(SearchBox::FromCursorFwd, false)}, "'' -----"},
        {"unticking S keeps the text", "X", {[](SearchSettings& s) { s.chk_scode = true; }, tick(SearchBox::SCode, false)}, "'X' ----C"},
        {"no rule without a change", "X", {[](SearchSettings& s) { s.chk_scode = true; }, tick(SearchBox::SCode, true)}, "'X' -S--C"},
        {"typing unticks both code boxes", "X", {[](SearchSettings& s) { s.chk_scode = s.chk_tcode = true; }, text_key_press}, "'X' ----C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchSettings s;
        s.Search_txt = c.text;
        for (const Step& step : c.steps) step(s);
        EXPECT_EQ(shown(s), c.expected);
    }
}

TEST(SearchBoxes, LaterRulesChooseTheSearchText) {
    const struct { std::string text; bool t, s; std::string expected; } cases[] = {
        {"", false, false, ""}, {"", false, true, "S"}, {"", true, true, "T"}, {"M6", true, true, "M6"}};
    for (const auto& c : cases) {
        SearchSettings s;
        s.Search_txt = c.text;
        s.chk_tcode = c.t;
        s.chk_scode = c.s;
        EXPECT_EQ(search_text_for(s), c.expected) << c.text << c.t << c.s;
    }
}

// Lines start at 0, 10, 20, 33 and 48; a highlighted line holds its CR.
const std::string program = "N1 G0 X1\r\nN2 T2 M6\r\nN3 S1200 M3\r\nN4 (tools t3)\r\nN5 T3 S800\r\n";

struct SearchRun {
    PlainTextView view;
    WindowState state;
    testing::ScriptedHost host;
    SearchResult run(const SearchSettings& s) { return run_search(s, view, state, host); }
};

TEST(Search, FindsTheLineFromTheCaretOrTheBeginning) {
    const struct {
        const char* name;
        SearchSettings settings;
        TextPos caret, start, length;
    } cases[] = {
        {"next T", {.chk_tcode = true}, 0, 10, 9},
        {"lower-case t matches", {.chk_tcode = true}, 20, 33, 14},
        {"match case skips it", {.chk_tcode = true, .chk_match_case = true}, 20, 48, 11},
        {"lower-case s matches", {.chk_scode = true}, 33, 33, 14},
        {"match case skips that", {.chk_scode = true, .chk_match_case = true}, 33, 48, 11},
        {"first line from beginning", {.Search_txt = "n1", .chk_from_beginning = true}, 40, 0, 9},
        {"from the middle of a line", {.Search_txt = "M"}, 24, 20, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRun r;
        r.view.set_text(program);
        r.view.set_selection_start(c.caret);
        EXPECT_EQ(r.run(c.settings), SearchResult::Found);
        EXPECT_EQ(r.view.selection_start(), c.start);
        EXPECT_EQ(r.view.selection_length(), c.length);
        EXPECT_EQ(r.state.Live_DNC_startpoint, c.start);
        EXPECT_TRUE(r.host.messages.empty());
    }
}

TEST(Search, RepeatedSearchMovesLineByLineUntilNoMatch) {
    SearchRun r;
    r.view.set_text(program);
    SearchSettings s;
    s.chk_tcode = true;
    for (TextPos line : {10, 33, 48}) {
        EXPECT_EQ(r.run(s), SearchResult::Found);
        EXPECT_EQ(r.state.Live_DNC_startpoint, line);
    }
    EXPECT_EQ(r.run(s), SearchResult::NotFound);
    EXPECT_EQ(r.view.selection_start(), 48);  // the highlighted line stays
    EXPECT_EQ(r.view.selection_length(), 11);
    ASSERT_EQ(r.host.messages.size(), 1u);
    const auto& m = r.host.messages[0];
    EXPECT_EQ(m.text, "No matches found");
    EXPECT_EQ(m.title, "Search message:");
    EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    EXPECT_EQ(m.buttons, MessageButtons::Ok);
    EXPECT_TRUE(dialog_hides(SearchResult::NotFound));
    EXPECT_TRUE(dialog_hides(SearchResult::Found));
}

TEST(Search, NoMatchFromBeginningLeavesTheCaretAtTheStart) {
    SearchRun r;
    r.view.set_text(program);
    r.view.set_selection_start(24);
    r.state.Live_DNC_startpoint = 20;
    EXPECT_EQ(r.run({.Search_txt = "Q", .chk_from_beginning = true, .Chk_from_cursor_fwd = false}), SearchResult::NotFound);
    EXPECT_EQ(r.view.selection_start(), 0);
    EXPECT_EQ(r.state.Live_DNC_startpoint, 20);
    EXPECT_EQ(r.host.messages.size(), 1u);
}

TEST(Search, NothingToSearchForOnlyBeeps) {
    SearchRun r;
    r.view.set_text(program);
    r.view.set_selection_start(24);
    const SearchResult result = r.run(SearchSettings{});
    EXPECT_EQ(result, SearchResult::NothingToSearch);
    EXPECT_FALSE(dialog_hides(result));
    EXPECT_EQ(r.host.beeps, 1);
    EXPECT_TRUE(r.host.messages.empty());
    EXPECT_EQ(r.view.selection_start(), 24);
}

TEST(SearchDialogPosition, CentresOnTheRightEdgeAndKeepsTheDialogOnTheScreen) {
    // Twips: a 4000-wide dialog and a screen 19200 wide.
    const struct { const char* name; int main_left, main_width, screen_right, left; } cases[] = {
        {"main window at the screen edge", 4200, 15000, 19200, 15200},
        {"right edge 3000 inside", 1200, 15000, 19200, 14200},
        {"just fits", 2200, 15000, 19200, 15200},
        {"no correction on the left", -500, 1000, 3000, -1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DialogPosition p = search_dialog_position(c.main_left, 600, c.main_width, 4000, c.screen_right);
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.top, 600);
    }
}

}  // namespace
}  // namespace feedrite
