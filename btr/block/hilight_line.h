// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Selects the line under the caret and makes it the next transmission's start.

#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

/// Selects from the start of the caret's line up to its LF (the CR included)
/// and sets `Live_DNC_startpoint` to that start, however long the line. In a
/// last line without LF the text end stands in for the LF: the line is
/// selected to the end of the text. In edit mode only the start point moves:
/// the caret stays and nothing is left selected.
void hilight_line(TextView& view, WindowState& state);

/// Selects the caret's line as `hilight_line` does outside edit mode, without
/// touching the start point (a line looked at, not picked). Returns its start.
TextPos select_caret_line(TextView& view);

}  // namespace feedrite
