#include "edit/edit_mode.h"

#include "btr/block/hilight_line.h"

namespace feedrite {

bool toggle_edit_mode(WindowState& state, TextView& view) {
    state.Edit_mode = !state.Edit_mode;
    if (state.Edit_mode)
        view.set_selection_length(0);
    else
        hilight_line(view, state);
    return state.Edit_mode;
}

bool accept_key_down(int key, WindowState& state, Host& host) {
    if (is_navigation_key(key)) return true;
    if (state.Binaryfile) {
        // Not cancelled: outside edit mode the read-only lock keeps the text.
        host.message_box("Binary files cannot be edited", "", MessageIcon::Critical,
                         MessageButtons::Ok);
        return true;
    }
    if (state.Edit_mode) {
        state.File_is_edited = true;
        return true;
    }
    host.beep();
    host.message_box(
        "If you want to edit this program, click the EDIT panel at the bottom of the screen",
        "Want to edit?", MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

void view_key_up(int key, WindowState& state, TextView& view) {
    if (is_navigation_key(key)) hilight_line(view, state);
}

}  // namespace feedrite
