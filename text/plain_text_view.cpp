// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/plain_text_view.h"

#include <algorithm>

namespace feedrite {

std::string with_crlf_breaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        out += "\r\n";
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
    return out;
}

namespace {

unsigned char latin1_lower(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    // Latin-1 capitals 0xC0..0xDE, except the multiplication sign 0xD7.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    return c;
}

}  // namespace

std::size_t find_in(std::string_view text, std::string_view what, std::size_t from,
                    bool match_case) {
    if (match_case) return text.find(what, from);
    const auto equal = [](char x, char y) {
        return latin1_lower(static_cast<unsigned char>(x)) ==
               latin1_lower(static_cast<unsigned char>(y));
    };
    if (from > text.size()) return std::string_view::npos;
    const auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                 what.begin(), what.end(), equal);
    if (hit == text.end() && !what.empty()) return std::string_view::npos;
    return static_cast<std::size_t>(hit - text.begin());
}

void PlainTextView::set_text(std::string_view text) {
    text_ = with_crlf_breaks(text);
    start_ = 0;
    length_ = 0;
    rebuild_line_starts();
}

void PlainTextView::set_selection_start(TextPos start) {
    start_ = std::clamp<TextPos>(start, 0, length());
    length_ = 0;
}

void PlainTextView::set_selection_length(TextPos length) {
    length_ = std::clamp<TextPos>(length, 0, this->length() - start_);
}

std::string PlainTextView::selected_text() const {
    return text_.substr(static_cast<std::size_t>(start_), static_cast<std::size_t>(length_));
}

void PlainTextView::replace_selection(std::string_view text) {
    const std::string inserted = with_crlf_breaks(text);
    text_.replace(static_cast<std::size_t>(start_), static_cast<std::size_t>(length_), inserted);
    start_ += static_cast<TextPos>(inserted.size());
    length_ = 0;
    rebuild_line_starts();
}

std::string PlainTextView::select_line_from(TextPos start) {
    set_selection_start(start);
    const auto end = text_.find_first_of("\r\n", static_cast<std::size_t>(start_));
    set_selection_length((end == std::string::npos ? length() : static_cast<TextPos>(end)) -
                         start_);
    return selected_text();
}

TextPos PlainTextView::find(std::string_view what, TextPos start, TextPos end, bool match_case,
                            bool highlight) {
    if (end < 0 || end > length()) end = length();
    start = std::clamp<TextPos>(start, 0, end);
    const std::string_view range(text_.data(), static_cast<std::size_t>(end));
    const auto hit = find_in(range, what, static_cast<std::size_t>(start), match_case);
    if (hit == std::string_view::npos) return -1;
    const auto p = static_cast<TextPos>(hit);
    if (highlight) {
        set_selection_start(p);
        set_selection_length(static_cast<TextPos>(what.size()));
    }
    return p;
}

std::int64_t PlainTextView::line_index(TextPos pos) const {
    pos = std::clamp<TextPos>(pos, 0, length());
    const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), pos);
    return static_cast<std::int64_t>(after - line_starts_.begin()) - 1;
}

void PlainTextView::rebuild_line_starts() {
    line_starts_.assign(1, 0);
    for (std::size_t i = 0; i + 1 < text_.size(); ++i)
        if (text_[i] == '\r' && text_[i + 1] == '\n')
            line_starts_.push_back(static_cast<TextPos>(i + 2));
}

}  // namespace feedrite
