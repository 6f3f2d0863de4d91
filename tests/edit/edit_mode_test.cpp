// SPDX-License-Identifier: GPL-3.0-or-later
// Edit mode, the view's key rules, saving the edited program, and the search.
#include "edit/edit_mode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/file_io.h"
#include "edit/save_file.h"
#include "edit/search_logic.h"
#include "tests/support/as_user.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "text/plain_text_view.h"

namespace feedrite {
namespace {

using namespace std::string_literals;
using testing::as_ordinary_user;
using testing::told;

TEST(EditMode, KeysOutsideEditModeAreRefusedExceptNavigation) {
    WindowState state;
    testing::ScriptedHost host;
    for (const int key : {33, 34, 38, 40}) EXPECT_TRUE(accept_key_down(key, state, host));
    EXPECT_FALSE(accept_key_down(37, state, host));  // arrow left
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.messages,
              told("If you want to edit this program, click the EDIT panel at the bottom of the "
                   "screen",
                   "Want to edit?", MessageIcon::Exclamation));
    EXPECT_FALSE(state.File_is_edited);

    state.Edit_mode = true;  // then any key but navigation marks the text edited, untold
    EXPECT_TRUE(accept_key_down(38, state, host));
    EXPECT_FALSE(state.File_is_edited);
    EXPECT_TRUE(accept_key_down(39, state, host));  // arrow right counts as typing
    EXPECT_TRUE(state.File_is_edited && host.messages.size() == 1);
}

TEST(EditMode, BinaryFilesCannotBeEdited) {
    for (const bool editing : {false, true}) {
        WindowState state;
        testing::ScriptedHost host;
        state.Binaryfile = true, state.Edit_mode = editing;
        EXPECT_TRUE(accept_key_down('A', state, host));  // not cancelled
        EXPECT_EQ(host.messages, told("Binary files cannot be edited", "", MessageIcon::Critical));
        EXPECT_FALSE(state.File_is_edited);
    }
}

TEST(EditMode, ToggleClearsTheSelectionAndLineChoiceHighlights) {
    WindowState state;
    PlainTextView view;
    view.set_text("N1\r\nN2\r\nN3\r\n");
    view.set_selection_start(5);
    view.set_selection_length(2);
    state.view_holds_report = true;  // "Loading..." or a failure report: not the program
    EXPECT_FALSE(toggle_edit_mode(state, view));
    state.view_holds_report = false;
    EXPECT_TRUE(toggle_edit_mode(state, view));
    EXPECT_EQ(view.selection_length(), 0);
    EXPECT_EQ(view.selection_start(), 5);
    EXPECT_FALSE(toggle_edit_mode(state, view));  // leaving highlights the caret's line
    EXPECT_EQ(state.Live_DNC_startpoint, 4);
    EXPECT_EQ(view.selection_start(), 4);
    EXPECT_FALSE(state.File_is_edited);

    view.set_selection_start(9);  // only navigation keys highlight on release
    view_key_up(37, state, view);
    EXPECT_EQ(state.Live_DNC_startpoint, 4);
}

class SaveFileTest : public ::testing::Test {
  protected:
    SaveFileTest() {
        state.filename = dir.file("part.nc");
        view.set_text("%\r\nN1 X1\r\n%");
    }
    bool save() { return Save_file(view, state, module, settings, host) == SaveResult::Saved; }

    testing::TempDir dir;
    WindowState state;
    ModuleState module;
    PortSettings settings;
    testing::ScriptedHost host;
    PlainTextView view;
};

TEST_F(SaveFileTest, RefusesACopyThatIsNotTheFile) {
    settings.Replace_text = "X";
    module.CALL_expanded = true;
    EXPECT_FALSE(save());  // only the first reason
    settings.Replace_text.clear();
    EXPECT_FALSE(save());
    const auto sorry = [](const std::string& why) {
        return testing::RecordedMessage{"Can't save edited file. " + why, "Sorry ..",
                                        MessageIcon::Critical, MessageButtons::Ok};
    };
    EXPECT_EQ(host.messages,
              (testing::Messages{sorry("Some text has been modified during the load process"),
                                 sorry("CALL statement was executed during the load process")}));
    EXPECT_EQ(dir.read("part.nc"), "<missing>");
}

TEST_F(SaveFileTest, WritesANewFileAndAsksBeforeOverwriting) {
    EXPECT_TRUE(save());
    EXPECT_TRUE(host.messages.empty());
    dir.write("part.nc", "old");
    host.answers = {MessageAnswer::No};
    EXPECT_FALSE(save());
    EXPECT_EQ(dir.read("part.nc"), "old");
    EXPECT_EQ(host.messages,
              (testing::Messages{{"File " + state.filename +
                                      " already exists.\nOverwrite original file "
                                      "with edited data?",
                                  "Overwrite?", MessageIcon::Exclamation, MessageButtons::YesNo}}));
}

// The view itself changes too.
TEST_F(SaveFileTest, LeaderAndTrailerAreRemovedOnlyAsExactCopies) {
    // leader, trailer, text, saved; "%LF" is compared as stored, not expanded
    const std::array<const char*, 4> cases[] = {{"%", "%", "%\r\nN1\r\n%", "\r\nN1\r\n"},
                                                {"%LF", "", "%\r\nN1", "%\r\nN1"},
                                                {"%", "", "O1\r\n%", "O1\r\n%"},
                                                {"", "TRAILER LONGER THAN TEXT", "N1", "N1"}};
    for (const auto& [leader, trailer, text, saved] : cases) {
        SCOPED_TRACE(text);
        settings.BTRleader = leader, settings.BTRtrailer = trailer;
        view.set_text(text);
        remove_file(state.filename);
        EXPECT_TRUE(save());
        EXPECT_EQ(dir.read("part.nc") + "|" + view.text(), saved + ("|"s + saved));
    }
}

// Saved in the file's own line ends, over a link's target, keeping the
// file's permissions, and a temporary file left by a crash goes.
TEST_F(SaveFileTest, KeepsTheFileAsItsUserKnowsIt) {
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"N1\nN2\n", "N1\r\nN2\r\nN3\r\n", "N1\nN2\nN3\n", false},
        {"N1\rN2\r", "N1\r\nX\r\n", "N1\rX\r", false},
        {"N1\nN2", "N1\r\nX\r\n", "N1\nX", false},  // no final line end
        {"N1\n", "X\r\n", "X\n", true}};            // through a link
    host.answers.assign(10, MessageAnswer::Yes);
    namespace fs = std::filesystem;
    for (const auto& [file, shown, saved, link] : cases) {
        SCOPED_TRACE(file);
        dir.write("real.nc", file);
        ASSERT_EQ(::chmod(dir.file("real.nc").c_str(), 0640), 0);
        dir.write(".real.nc.feedrite-save", "left by a crash");
        fs::remove(dir.file("link.nc"));
        fs::create_symlink(dir.file("real.nc"), dir.file("link.nc"));
        state.filename = dir.file(link ? "link.nc" : "real.nc");
        state.file_line_ends = line_ends_of(file);
        view.set_text(shown);
        EXPECT_TRUE(save());
        EXPECT_EQ(dir.read("real.nc"), saved);
        EXPECT_TRUE(fs::is_symlink(dir.file("link.nc")) &&
                    fs::status(dir.file("real.nc")).permissions() == fs::perms(0640) &&
                    !fs::exists(dir.file(".real.nc.feedrite-save")));
    }
    state.view_holds_report = true;  // a failure report is never saved over the program
    EXPECT_FALSE(save());
    EXPECT_EQ(dir.read("real.nc"), "X\n");
}

// The folder takes no new file: the file is written in place.
TEST_F(SaveFileTest, AReadOnlyFolderStillTakesTheSave) {
    dir.write("part.nc", "N1\n");
    state.file_line_ends = line_ends_of("N1\n");
    as_ordinary_user({dir.path()}, [&] {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        view.set_text("N1\r\nN2\r\n");
        EXPECT_TRUE(save());  // "Overwrite?" answered Yes
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(dir.read("part.nc"), "N1\nN2\n");
    });
}

TEST_F(SaveFileTest, AFailedWriteSaysWhyAndKeepsTheOriginal) {
    state.filename = dir.file("no such folder/part.nc");
    EXPECT_EQ(Save_file(view, state, module, settings, host), SaveResult::Failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Save failed");
    EXPECT_NE(host.messages[0].text.find(state.filename), std::string::npos);
    EXPECT_NE(host.messages[0].text.find("no such file or folder"), std::string::npos);
}

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
        {"first line, from beginning", with("n1", "B"), 40, R::Found, 0, 9},
        {"rest of the caret's line", with("M", ""), 24, R::Found, 20, 12},
        {"no match: caret stays", with("Q", "C"), 24, R::NotFound, 24, 0},
        {"no match from beginning", with("Q", "B"), 24, R::NotFound, 0, 0},
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
        EXPECT_EQ(host.beeps, 0);
    }
}

// In edit mode too, where nothing is left selected for a key to replace: the
// caret goes past the match, so a second match on a line is found as well.
TEST(Search, RepeatedSearchFindsTheNextLineUntilNoneIsLeft) {
    for (const bool editing : {false, true}) {
        SCOPED_TRACE(editing ? "edit mode" : "outside edit mode");
        PlainTextView view;
        view.set_text(program);
        WindowState state;
        state.Edit_mode = editing;
        testing::ScriptedHost host;
        const std::vector<TextPos> lines =
            editing ? std::vector<TextPos>{10, 33, 33, 48} : std::vector<TextPos>{10, 33, 48};
        for (TextPos line : lines) {
            EXPECT_EQ(run_search(with("", "TC"), view, state, host), SearchResult::Found);
            EXPECT_EQ(state.Live_DNC_startpoint, line);
            EXPECT_EQ(view.selection_length() == 0, editing);
        }
        EXPECT_EQ(run_search(with("", "TC"), view, state, host), SearchResult::NotFound);
        if (!editing) {
            EXPECT_EQ(view.selected_text(), "N5 T3 S800\r");
        }
        ASSERT_EQ(host.messages.size(), 1u);
        const auto& m = host.messages[0];
        EXPECT_EQ(m.title + ": " + m.text, "Search message:: No matches found");
        EXPECT_TRUE(m.icon == MessageIcon::Exclamation && m.buttons == MessageButtons::Ok);
    }
}

TEST(SearchDialogPosition, CentresOnTheRightEdgeAndKeepsTheDialogOnTheScreen) {
    // Twips: a 4000-wide dialog; the main window's top is 600.
    // The main window's left and width, the screen's right edge, the dialog's left.
    const std::array<int, 4> cases[] = {
        {4200, 15000, 19200, 15200},  // main window's right edge on the screen's
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
