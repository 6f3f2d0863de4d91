#include "edit/edit_mode.h"

#include <gtest/gtest.h>

#include "app/toolkit/plain_text_view.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

TEST(EditMode, KeysOutsideEditModeAreRefusedExceptNavigation) {
    WindowState state;
    testing::ScriptedHost host;
    for (const int key : {33, 34, 38, 40}) EXPECT_TRUE(accept_key_down(key, state, host));
    EXPECT_TRUE(host.messages.empty());

    const int arrow_left = 37;
    EXPECT_FALSE(accept_key_down(arrow_left, state, host));
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Want to edit?");
    EXPECT_EQ(host.messages[0].text,
              "If you want to edit this program, click the EDIT panel at the bottom of the screen");
    EXPECT_FALSE(state.File_is_edited);
}

TEST(EditMode, AnyKeyButNavigationInEditModeMarksTheTextEdited) {
    WindowState state;
    testing::ScriptedHost host;
    state.Edit_mode = true;
    EXPECT_TRUE(accept_key_down(38, state, host));
    EXPECT_FALSE(state.File_is_edited);
    EXPECT_TRUE(accept_key_down(39, state, host));  // arrow right counts as typing
    EXPECT_TRUE(state.File_is_edited);
    EXPECT_TRUE(host.messages.empty());
}

TEST(EditMode, BinaryFilesCannotBeEdited) {
    for (const bool editing : {false, true}) {
        WindowState state;
        testing::ScriptedHost host;
        state.Binaryfile = true;
        state.Edit_mode = editing;
        EXPECT_TRUE(accept_key_down('A', state, host));  // not cancelled
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, "Binary files cannot be edited");
        EXPECT_EQ(host.messages[0].title, "");
        EXPECT_FALSE(state.File_is_edited);
    }
}

TEST(EditMode, ToggleClearsTheSelectionAndLeavingHighlightsTheLine) {
    WindowState state;
    PlainTextView view;
    view.set_text("N1\r\nN2\r\nN3\r\n");
    view.set_selection_start(5);
    view.set_selection_length(2);
    EXPECT_TRUE(toggle_edit_mode(state, view));
    EXPECT_EQ(view.selection_length(), 0);
    EXPECT_EQ(view.selection_start(), 5);
    EXPECT_FALSE(toggle_edit_mode(state, view));
    EXPECT_EQ(state.Live_DNC_startpoint, 4);
    EXPECT_EQ(view.selection_start(), 4);
    EXPECT_FALSE(state.File_is_edited);
}

TEST(EditMode, NavigationKeysHighlightOnRelease) {
    WindowState state;
    PlainTextView view;
    view.set_text("N1\r\nN2\r\n");
    view.set_selection_start(5);
    view_key_up(37, state, view);
    EXPECT_EQ(state.Live_DNC_startpoint, 0);
    view_key_up(40, state, view);
    EXPECT_EQ(state.Live_DNC_startpoint, 4);
}

}  // namespace
}  // namespace feedrite
