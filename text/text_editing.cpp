// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/text_editing.h"

#include <algorithm>

namespace feedrite {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_typed_character(std::string_view text) {
    return text.size() == 1 && text[0] != '\r' && text[0] != '\n';
}

}  // namespace

bool is_vertical(Motion motion) {
    return motion == Motion::Up || motion == Motion::Down || motion == Motion::PageUp ||
           motion == Motion::PageDown;
}

std::int64_t column_of(const LineText& lines, TextPos pos, std::int64_t line) {
    return std::min<std::int64_t>(pos - lines.line_start(line),
                                  static_cast<std::int64_t>(lines.line(line).size()));
}

TextPos moved(const LineText& lines, TextPos from, Motion motion, std::int64_t page_lines,
              std::int64_t& goal_column) {
    const std::int64_t line = lines.line_of(from);
    const TextPos begin = lines.line_start(line);
    const std::string_view chars = lines.line(line);
    const auto length = static_cast<std::int64_t>(chars.size());
    const std::int64_t column = column_of(lines, from, line);
    const bool first_line = line == 0, last_line = line + 1 == lines.line_count();
    const auto at = [&](std::int64_t c) { return chars[static_cast<std::size_t>(c)]; };
    const auto vertical = [&](std::int64_t lines_down) {
        if (goal_column < 0) goal_column = column;
        const std::int64_t to =
            std::clamp<std::int64_t>(line + lines_down, 0, lines.line_count() - 1);
        return lines.line_start(to) +
               std::min<std::int64_t>(goal_column,
                                      static_cast<std::int64_t>(lines.line(to).size()));
    };
    switch (motion) {
        case Motion::Left:
            return column > 0 ? begin + column - 1 : first_line ? begin : begin - 2;
        case Motion::Right:
            return column < length ? begin + column + 1
                   : last_line     ? begin + length
                                   : begin + length + 2;
        case Motion::WordLeft: {
            if (column == 0) return first_line ? begin : begin - 2;
            std::int64_t c = column;
            while (c > 0 && is_blank(at(c - 1))) --c;
            while (c > 0 && !is_blank(at(c - 1))) --c;
            return begin + c;
        }
        case Motion::WordRight: {
            if (column == length) return last_line ? begin + length : begin + length + 2;
            std::int64_t c = column;
            while (c < length && !is_blank(at(c))) ++c;
            while (c < length && is_blank(at(c))) ++c;
            return begin + c;
        }
        case Motion::Up:
            return vertical(-1);
        case Motion::Down:
            return vertical(1);
        case Motion::PageUp:
            return vertical(-page_lines);
        case Motion::PageDown:
            return vertical(page_lines);
        case Motion::Home:
            return begin;
        case Motion::End:
            return begin + length;
        case Motion::Top:
            return 0;
        case Motion::Bottom:
            return lines.length();
    }
    return from;
}

Span erased_span(const LineText& lines, TextPos caret, bool forward) {
    const std::int64_t line = lines.line_of(caret);
    const TextPos begin = lines.line_start(line);
    const std::int64_t column = column_of(lines, caret, line);
    const auto length = static_cast<std::int64_t>(lines.line(line).size());
    const TextPos at = begin + column;
    // At a line's edge the whole break goes: the lines join.
    if (forward && column < length) return {at, at + 1};
    if (forward && line + 1 < lines.line_count()) return {at, at + 2};
    if (!forward && column > 0) return {at - 1, at};
    if (!forward && line > 0) return {begin - 2, begin};
    return {at, at};
}

Span selected_cells(const LineText& lines, std::int64_t line, TextPos sel_start, TextPos sel_end) {
    if (sel_end <= sel_start) return {};
    const TextPos begin = lines.line_start(line);
    const auto length = static_cast<std::int64_t>(lines.line(line).size());
    Span cells{std::clamp<std::int64_t>(sel_start - begin, 0, length),
               std::clamp<std::int64_t>(sel_end - begin, 0, length)};
    if (line + 1 < lines.line_count() && sel_start < begin + length + 2 && sel_end > begin + length)
        cells.to = length + 1;
    return cells;
}

void EditHistory::edit(LineTextView& view, TextPos from, TextPos to, std::string_view text) {
    const LineText& lines = view.lines();
    // Bounds inside a break move to its CR, as the store would, so that the
    // change recorded is the one made.
    const auto snapped = [&](TextPos pos) {
        const std::int64_t line = lines.line_of(pos);
        return lines.line_start(line) + column_of(lines, pos, line);
    };
    from = snapped(from);
    to = std::max(from, snapped(to));
    std::string removed = lines.text(from, to);
    view.select(from, to);
    view.replace_selection(text);
    std::string inserted = lines.text(from, view.caret());
    redo_.clear();
    const bool typed = removed.empty() && is_typed_character(inserted);
    Change* last = undo_.empty() ? nullptr : &undo_.back();
    if (typed && typing_ && last != nullptr &&
        last->at + static_cast<TextPos>(last->inserted.size()) == from) {
        last->inserted += inserted;
        return;
    }
    undo_.push_back({from, std::move(removed), std::move(inserted)});
    typing_ = typed;
}

bool EditHistory::undo(LineTextView& view) {
    return step(view, undo_, redo_, true);
}

bool EditHistory::redo(LineTextView& view) {
    return step(view, redo_, undo_, false);
}

bool EditHistory::step(LineTextView& view, std::vector<Change>& from, std::vector<Change>& to,
                       bool back) {
    if (from.empty()) return false;
    Change change = std::move(from.back());
    from.pop_back();
    const std::string& now = back ? change.inserted : change.removed;
    view.select(change.at, change.at + static_cast<TextPos>(now.size()));
    view.replace_selection(back ? change.removed : change.inserted);
    to.push_back(std::move(change));
    typing_ = false;
    return true;
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    typing_ = false;
}

}  // namespace feedrite
