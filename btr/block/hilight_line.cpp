// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/hilight_line.h"

#include <algorithm>

namespace feedrite {
namespace {

// Position of the first LF at or after `from`, or -1.
TextPos next_lf(TextView& view, TextPos from) {
    return view.find("\n", from, -1, true, false);
}

// The last LF before `eol` within the look-back, walked forwards from the
// look-back's start; the start itself when there is none.
TextPos last_break_before(TextView& view, TextPos eol) {
    TextPos s = std::max<TextPos>(eol - 255, 0);
    TextPos b = 0;
    while (s < eol) {
        b = s;
        s = next_lf(view, s + 1);
        if (s < 0) s = eol;  // only when eol is the text end
    }
    return b;
}

}  // namespace

void hilight_line(TextView& view, WindowState& state) {
    TextPos eol = next_lf(view, view.selection_start());
    if (eol < 0) eol = view.length();
    TextPos b = last_break_before(view, eol);
    if (b != 0) ++b;
    view.set_selection_start(b);
    view.set_selection_length(eol - b);
    state.Live_DNC_startpoint = b;
}

}  // namespace feedrite
