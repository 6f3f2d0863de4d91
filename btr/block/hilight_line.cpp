// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/hilight_line.h"

namespace feedrite {
namespace {

// Position of the first LF at or after `from`, or -1.
TextPos next_lf(TextView& view, TextPos from) {
    return view.find("\n", from, -1, true, false);
}

// The first position of the line that holds `pos`: line indexes grow with
// positions, so a binary search over them finds it whatever the line's length.
TextPos line_start_of(const TextView& view, TextPos pos) {
    const std::int64_t line = view.line_index(pos);
    TextPos low = 0;
    TextPos high = pos;
    while (low < high) {
        const TextPos mid = low + (high - low) / 2;
        if (view.line_index(mid) < line)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

}  // namespace

TextPos select_caret_line(TextView& view) {
    TextPos eol = next_lf(view, view.selection_start());
    if (eol < 0) eol = view.length();
    const TextPos b = line_start_of(view, eol);
    view.set_selection_start(b);
    view.set_selection_length(eol - b);
    return b;
}

void hilight_line(TextView& view, WindowState& state) {
    // In edit mode a selection would be replaced by the first key typed.
    if (state.Edit_mode) {
        TextPos eol = next_lf(view, view.selection_start());
        state.Live_DNC_startpoint = line_start_of(view, eol < 0 ? view.length() : eol);
        view.set_selection_length(0);
        return;
    }
    state.Live_DNC_startpoint = select_caret_line(view);
}

}  // namespace feedrite
