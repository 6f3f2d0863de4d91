// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/line_text_view.h"

#include <algorithm>

namespace feedrite {

void LineTextView::set_text(std::string_view text) {
    text_.set_text(text);
    anchor_ = caret_ = 0;
}

void LineTextView::select(TextPos anchor, TextPos caret) {
    anchor_ = std::clamp<TextPos>(anchor, 0, length());
    caret_ = std::clamp<TextPos>(caret, 0, length());
}

void LineTextView::set_selection_start(TextPos start) {
    select(start, start);
}

TextPos LineTextView::selection_length() const {
    return std::max(anchor_, caret_) - selection_start();
}

void LineTextView::set_selection_length(TextPos length) {
    const TextPos start = selection_start();
    select(start, start + std::max<TextPos>(length, 0));
}

std::string LineTextView::selected_text() const {
    return text_.text(selection_start(), selection_start() + selection_length());
}

void LineTextView::replace_selection(std::string_view text) {
    const TextPos end =
        text_.replace(selection_start(), selection_start() + selection_length(), text);
    select(end, end);
}

std::string LineTextView::select_line_from(TextPos start) {
    start = std::clamp<TextPos>(start, 0, length());
    const std::int64_t line = text_.line_of(start);
    const TextPos end = text_.line_start(line) + static_cast<TextPos>(text_.line(line).size());
    select(start, std::max(start, end));
    return selected_text();
}

TextPos LineTextView::find(std::string_view what, TextPos start, TextPos end, bool match_case,
                           bool highlight) {
    const TextPos p = text_.find(what, start, end, match_case);
    if (highlight && p >= 0) select(p, p + static_cast<TextPos>(what.size()));
    return p;
}

}  // namespace feedrite
