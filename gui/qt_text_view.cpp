// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/qt_text_view.h"

#include "gui/program_edit.h"

namespace feedrite {

std::string QtTextView::text() const {
    return edit_.model().text();
}

void QtTextView::set_text(std::string_view text) {
    edit_.model().set_text(text);
    edit_.model_changed();
}

TextPos QtTextView::length() const {
    return edit_.model().length();
}

TextPos QtTextView::selection_start() const {
    return edit_.model().selection_start();
}

void QtTextView::set_selection_start(TextPos start) {
    edit_.model().set_selection_start(start);
    edit_.model_changed();
}

TextPos QtTextView::selection_length() const {
    return edit_.model().selection_length();
}

void QtTextView::set_selection_length(TextPos length) {
    edit_.model().set_selection_length(length);
    edit_.model_changed();
}

std::string QtTextView::selected_text() const {
    return edit_.model().selected_text();
}

void QtTextView::replace_selection(std::string_view text) {
    edit_.model().replace_selection(text);
    edit_.model_changed();
}

std::string QtTextView::select_line_from(TextPos start) {
    std::string line = edit_.model().select_line_from(start);
    edit_.model_changed();
    return line;
}

TextPos QtTextView::find(std::string_view what, TextPos start, TextPos end, bool match_case,
                         bool highlight) {
    const TextPos found = edit_.model().find(what, start, end, match_case, highlight);
    edit_.model_changed();
    return found;
}

std::int64_t QtTextView::line_index(TextPos pos) const {
    return edit_.model().line_index(pos);
}

}  // namespace feedrite
