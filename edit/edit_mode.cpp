// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/edit_mode.h"

#include "btr/block/hilight_line.h"

namespace feedrite {

bool toggle_edit_mode(WindowState& state, TextView& view) {
    // "Loading..." or a failure report is not the program: editing it could
    // save the report over the program file.
    if (!state.Edit_mode && state.view_holds_report) return false;
    state.Edit_mode = !state.Edit_mode;
    if (state.Edit_mode)
        view.set_selection_length(0);
    else
        hilight_line(view, state);
    return state.Edit_mode;
}

bool accept_key_down(int key, WindowState& state, Host& host) {
    if (is_navigation_key(key) || is_modifier_key(key)) return true;
    if (state.Binaryfile) {
        // Not cancelled: outside edit mode the read-only lock keeps the text.
        // A notice, not a modal box: a stray key must not stop the tape.
        host.notice("Binary files cannot be edited", "", MessageIcon::Critical);
        return true;
    }
    if (state.Edit_mode) {
        state.File_is_edited = true;
        return true;
    }
    host.beep();
    host.notice(
        "If you want to edit this program, click the EDIT panel at the bottom of the screen",
        "Want to edit?", MessageIcon::Exclamation);
    return false;
}

void text_changed(WindowState& state) {
    if (!state.Binaryfile && !state.view_holds_report) state.File_is_edited = true;
}

void view_key_up(int key, WindowState& state, TextView& view) {
    if (is_navigation_key(key)) hilight_line(view, state);
}

}  // namespace feedrite
