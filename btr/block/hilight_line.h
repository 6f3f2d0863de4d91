// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Selects the line under the caret and makes it the next transmission's start.

#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

/// Selects from the start of the caret's line up to its LF (the CR included)
/// and sets `Live_DNC_startpoint` to that start. The line start is looked for
/// at most 255 characters back from the LF, so a longer line is selected from
/// 254 characters before its LF. In a last line without LF the text end
/// stands in for the LF: the line is selected to the end of the text.
void hilight_line(TextView& view, WindowState& state);

}  // namespace feedrite
