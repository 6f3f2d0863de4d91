// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text view over a line-offset index, with a selection kept as anchor and
// caret, in view positions. The program window's widget shows one of these;
// without a window it behaves exactly as the plain view.

#include <algorithm>

#include "core/text_view.h"
#include "text/line_text.h"

namespace feedrite {

class LineTextView : public TextView {
  public:
    [[nodiscard]] std::string text() const override { return text_.text(); }
    void set_text(std::string_view text) override;
    [[nodiscard]] TextPos length() const override { return text_.length(); }

    [[nodiscard]] TextPos selection_start() const override { return std::min(anchor_, caret_); }
    void set_selection_start(TextPos start) override;
    [[nodiscard]] TextPos selection_length() const override;
    void set_selection_length(TextPos length) override;
    [[nodiscard]] std::string selected_text() const override;
    void replace_selection(std::string_view text) override;
    std::string select_line_from(TextPos start) override;
    TextPos find(std::string_view what, TextPos start, TextPos end, bool match_case,
                 bool highlight) override;
    [[nodiscard]] std::int64_t line_index(TextPos pos) const override { return text_.line_of(pos); }

    [[nodiscard]] const LineText& lines() const { return text_; }
    /// The fixed end of the selection; the caret is the end that moves.
    [[nodiscard]] TextPos anchor() const { return anchor_; }
    [[nodiscard]] TextPos caret() const { return caret_; }
    /// Both clamped to the text.
    void select(TextPos anchor, TextPos caret);

  private:
    LineText text_;
    TextPos anchor_ = 0;
    TextPos caret_ = 0;
};

}  // namespace feedrite
