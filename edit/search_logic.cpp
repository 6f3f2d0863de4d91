// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/search_logic.h"

#include <algorithm>

#include "btr/block/hilight_line.h"

namespace feedrite {
namespace {

// One accessor for the const and the writable settings.
template <typename Settings>
auto& box_of(Settings& s, SearchBox box) {
    switch (box) {
        case SearchBox::TCode:
            return s.chk_tcode;
        case SearchBox::SCode:
            return s.chk_scode;
        case SearchBox::FromBeginning:
            return s.chk_from_beginning;
        case SearchBox::MatchCase:
            return s.chk_match_case;
        case SearchBox::FromCursorFwd:
            break;
    }
    return s.Chk_from_cursor_fwd;
}

}  // namespace

bool box_ticked(const SearchSettings& settings, SearchBox box) {
    return box_of(settings, box);
}

// Boxes that a rule unticks have nothing to do when unticked, so nothing
// cascades.
void box_clicked(SearchSettings& s, SearchBox box) {
    if (!box_of(s, box)) return;
    switch (box) {
        case SearchBox::FromBeginning:
            s.Chk_from_cursor_fwd = false;
            break;
        case SearchBox::FromCursorFwd:
            s.chk_from_beginning = false;
            break;
        case SearchBox::SCode:
            s.Search_txt.clear();
            s.chk_tcode = false;
            break;
        case SearchBox::TCode:
            s.Search_txt.clear();
            s.chk_scode = false;
            break;
        case SearchBox::MatchCase:
            break;
    }
}

void set_box(SearchSettings& settings, SearchBox box, bool ticked) {
    bool& value = box_of(settings, box);
    if (value == ticked) return;  // a box's rule runs only when it changes
    value = ticked;
    box_clicked(settings, box);
}

void text_key_press(SearchSettings& settings) {
    settings.chk_tcode = false;
    settings.chk_scode = false;
}

std::string search_text_for(const SearchSettings& settings) {
    if (!settings.Search_txt.empty()) return settings.Search_txt;
    if (settings.chk_tcode) return "T";
    if (settings.chk_scode) return "S";
    return {};
}

SearchResult run_search(const SearchSettings& settings, TextView& view, WindowState& state,
                        Host& host) {
    const std::string what = search_text_for(settings);
    if (what.empty()) {
        host.beep();
        return SearchResult::NothingToSearch;
    }
    const TextPos n = view.length();
    // After an earlier search the selection is the highlighted line, so this
    // starts on the next line and a repeated search moves on.
    TextPos start = view.selection_start() + view.selection_length();
    if (settings.chk_from_beginning) {
        view.set_selection_start(0);
        start = 0;
    }
    const TextPos found = view.find(what, start, n, settings.chk_match_case, true);
    if (found == -1) {
        host.message_box("No matches found", "Search message:", MessageIcon::Exclamation,
                         MessageButtons::Ok);
        return SearchResult::NotFound;
    }
    view.set_selection_length(0);  // the caret at the match picks the line
    // In edit mode nothing stays selected: the caret goes past the match, so
    // that the next search moves on.
    if (state.Edit_mode) view.set_selection_start(found + static_cast<TextPos>(what.size()));
    hilight_line(view, state);
    return SearchResult::Found;
}

DialogPosition search_dialog_position(int main_left, int main_top, int main_width, int dialog_width,
                                      int screen_right) {
    const int centred = main_left + main_width - dialog_width / 2;
    return {std::min(centred, screen_right - dialog_width), main_top};
}

}  // namespace feedrite
