// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program view as the core needs it. It is the transmit buffer: blocks are
// cut from it by position while the operator looks at it.
//
// Positions are 0-based character offsets in which every line break counts as
// the two characters CR LF, whatever the widget stores; the whole text read
// back has CR LF between lines. Text is 8-bit (Latin-1) in both directions.

#include <cstdint>
#include <string>
#include <string_view>

namespace feedrite {

using TextPos = std::int64_t;

class TextView {
  public:
    virtual ~TextView() = default;

    /// The whole text with CR LF between lines.
    [[nodiscard]] virtual std::string text() const = 0;
    /// Replaces the whole text. Every CR LF, lone LF and lone CR is one break.
    virtual void set_text(std::string_view text) = 0;
    /// Length of `text()`, without building it.
    [[nodiscard]] virtual TextPos length() const = 0;

    [[nodiscard]] virtual TextPos selection_start() const = 0;
    /// Places the caret (clamped to 0..length); the selection length becomes 0.
    virtual void set_selection_start(TextPos start) = 0;
    [[nodiscard]] virtual TextPos selection_length() const = 0;
    /// Extends the selection forward from its start (clamped to the text end).
    virtual void set_selection_length(TextPos length) = 0;
    [[nodiscard]] virtual std::string selected_text() const = 0;
    /// Replaces the selection; the caret ends after the inserted text.
    virtual void replace_selection(std::string_view text) = 0;

    /// Places the caret at `start` and selects up to the next line break (not
    /// included) or the text end. Returns the selected text.
    virtual std::string select_line_from(TextPos start) = 0;

    /// Position of the first occurrence of `what` that lies wholly within
    /// [start, end), or -1. An `end` below 0 or past the text means the text
    /// end. With `highlight` the match becomes the selection; without it the
    /// selection is left alone.
    virtual TextPos find(std::string_view what, TextPos start, TextPos end, bool match_case,
                         bool highlight) = 0;

    /// 0-based line index of the character at `pos` (clamped to the text).
    [[nodiscard]] virtual std::int64_t line_index(TextPos pos) const = 0;
};

}  // namespace feedrite
