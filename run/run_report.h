// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A failure told in the view in place of the program, so nobody is left
// looking at "Loading..." and the user can read what to do.

#include <string>

#include "btr/engine.h"

namespace feedrite {

inline constexpr const char* close_and_retry =
    "Close this window, put it right, then start the program again.";

/// The view says what went wrong, its detail, and `next`: what to do now.
void show_run_report(Engine& engine, const std::string& what, const std::string& detail,
                     const std::string& next = close_and_retry);

}  // namespace feedrite
