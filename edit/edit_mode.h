// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Edit mode of the program view, and the view's key and mouse rules: the text
// is read-only while it is fed to the control; only the Edit panel opens it.

#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

/// Key codes of the keys that only move the caret.
enum NavigationKey : int {
    key_page_up = 33,
    key_page_down = 34,
    key_arrow_up = 38,
    key_arrow_down = 40
};

[[nodiscard]] constexpr bool is_navigation_key(int key) {
    return key == key_arrow_up || key == key_arrow_down || key == key_page_up ||
           key == key_page_down;
}

/// Key codes of Shift, Ctrl, Alt and the lock keys: pressed alone they type
/// nothing, so they are no reason to tell the operator about edit mode.
enum ModifierKey : int {
    key_shift = 16,
    key_control = 17,
    key_alt = 18,
    key_caps_lock = 20,
    key_num_lock = 144
};

[[nodiscard]] constexpr bool is_modifier_key(int key) {
    return key == key_shift || key == key_control || key == key_alt || key == key_caps_lock ||
           key == key_num_lock;
}

/// Flips edit mode; it is not entered while the view holds a report instead
/// of the program. Entering clears the selection (the caret stays); leaving
/// highlights the caret's line as the next block. Returns the new `Edit_mode`;
/// the caller sets panel 5 ("End Edit" / "Edit") and the read-only lock.
bool toggle_edit_mode(WindowState& state, TextView& view);

/// A key pressed in the view: false when the key must be cancelled. Typing
/// outside edit mode beeps and explains; in edit mode it marks the text edited.
[[nodiscard]] bool accept_key_down(int key, WindowState& state, Host& host);

/// The user changed the view's text (typing, paste, drop, delete, undo):
/// the program is offered for saving when the window closes.
void text_changed(WindowState& state);

/// A key released in the view: the navigation keys highlight the caret's line.
void view_key_up(int key, WindowState& state, TextView& view);

}  // namespace feedrite
