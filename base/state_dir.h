// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where Feedrite keeps what it learns while it runs (the history of runs, and
// whatever else must outlive one run): the user's state folder.

#include <string>

namespace feedrite {

/// "$XDG_STATE_HOME/feedrite", or "$HOME/.local/state/feedrite" when the
/// variable is unset, empty or not an absolute path (as the XDG rules say);
/// empty when HOME is no absolute path either: then nothing is kept.
[[nodiscard]] std::string state_dir_for(const std::string& xdg_state_home, const std::string& home);

/// state_dir_for with this process's environment; through sudo, with the
/// home of the user behind it. Not created here: see make_owned_dirs.
[[nodiscard]] std::string state_dir();

/// The history of runs: one JSON object per line; empty without a state folder.
[[nodiscard]] std::string history_path();

}  // namespace feedrite
