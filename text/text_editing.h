// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program view's editing rules, apart from the widget: where a key moves
// the caret, what Backspace and Delete take, which cells a selection lights,
// and the undo history. Positions are view positions (a break counts as CR LF).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_text_view.h"

namespace feedrite {

enum class Motion {
    Left,
    Right,
    WordLeft,
    WordRight,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Top,
    Bottom
};

[[nodiscard]] bool is_vertical(Motion motion);

/// The column of `pos` in `line`; a position on a break's LF counts as on its CR.
[[nodiscard]] std::int64_t column_of(const LineText& lines, TextPos pos, std::int64_t line);

/// Where `motion` takes the caret from `from`. Up, Down and the page keys keep
/// to `goal_column` across short lines, setting it first when it is negative.
[[nodiscard]] TextPos moved(const LineText& lines, TextPos from, Motion motion,
                            std::int64_t page_lines, std::int64_t& goal_column);

/// What Backspace (`forward` false) or Delete takes with no selection: one
/// character, or at a line's edge the whole break. Empty at the text's ends.
struct Span {
    TextPos from = 0, to = 0;
};
[[nodiscard]] Span erased_span(const LineText& lines, TextPos caret, bool forward);

/// The lit cells of `line` for a selection: columns [first, last), with one
/// cell past the characters when the line's break is selected.
[[nodiscard]] Span selected_cells(const LineText& lines, std::int64_t line, TextPos sel_start,
                                  TextPos sel_end);

/// Edits made by the operator, to take back and make again. Characters typed
/// one after another (no break, nothing replaced) are one step, as in any
/// editor; every other edit is a step of its own.
class EditHistory {
  public:
    /// Replaces [from, to) of `view` with `text`, the caret after it, and
    /// records the change.
    void edit(LineTextView& view, TextPos from, TextPos to, std::string_view text);
    /// False when there is nothing to take back (or to make again).
    bool undo(LineTextView& view);
    bool redo(LineTextView& view);
    void clear();

  private:
    // At `at`, `removed` gave way to `inserted`.
    struct Change {
        TextPos at = 0;
        std::string removed, inserted;
    };
    // Moves the last change of `from` to `to`, taking it back when `back`.
    bool step(LineTextView& view, std::vector<Change>& from, std::vector<Change>& to, bool back);

    std::vector<Change> undo_, redo_;
    bool typing_ = false;  ///< the last step is typing that may grow
};

}  // namespace feedrite
