// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search dialog without its window: the state of its controls, the rules
// that tie its check boxes together, the search itself and where the dialog
// opens. The dialog only mirrors this state in widgets.

#include <string>

#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

/// The dialog's controls, as it first opens.
struct SearchSettings {
    std::string Search_txt;  ///< free search text, 8-bit
    bool chk_tcode = false;
    bool chk_scode = false;
    bool chk_from_beginning = false;
    bool chk_match_case = false;
    bool Chk_from_cursor_fwd = true;

    bool operator==(const SearchSettings&) const = default;
};

enum class SearchBox { TCode, SCode, FromBeginning, MatchCase, FromCursorFwd };

[[nodiscard]] bool box_ticked(const SearchSettings& settings, SearchBox box);

/// The rule of `box` after its state changed, by hand or by another rule. It
/// acts only when the box is now ticked: a "From" box unticks the other one,
/// a code box unticks the other one and empties the text.
void box_clicked(SearchSettings& settings, SearchBox box);

/// Ticks or unticks `box` and, when that changes it, runs its rule.
void set_box(SearchSettings& settings, SearchBox box, bool ticked);

/// A key that types into the text box (Backspace included) unticks both code
/// boxes, so that typed text is what gets searched for.
void text_key_press(SearchSettings& settings);

/// The text to look for: the box's text when not empty, else "T" or "S" for a
/// ticked code box, else empty.
[[nodiscard]] std::string search_text_for(const SearchSettings& settings);

enum class SearchResult {
    NothingToSearch,  ///< beeped; the dialog stays open
    Found,            ///< the match's line is highlighted
    NotFound,         ///< the "No matches found" message was shown
};

/// Whether the dialog hides after a search with this result.
[[nodiscard]] constexpr bool dialog_hides(SearchResult result) {
    return result != SearchResult::NothingToSearch;
}

/// Searches `view` from the end of its selection (from the text start with
/// "From beginning", which also puts the caret there). A match becomes the
/// caret position and its line the highlighted block and the next block to
/// send. No match leaves the caret and reports through `host`.
SearchResult run_search(const SearchSettings& settings, TextView& view, WindowState& state,
                        Host& host);

struct DialogPosition {
    int left, top;
};

/// Where the dialog opens: centred on the main window's right edge, moved
/// left only as far as keeps its right edge on the screen, level with the main
/// window's top. Outer sizes in any one unit; `screen_right` is the screen's
/// right edge (its width for a screen starting at 0). The left edge is not
/// corrected, so a dialog wider than the screen starts left of it.
[[nodiscard]] DialogPosition search_dialog_position(int main_left, int main_top, int main_width,
                                                    int dialog_width, int screen_right);

}  // namespace feedrite
