// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text view without a window, for the headless tools and the tests. It
// stores the text with CR LF breaks, so positions need no mapping.

#include <vector>

#include "core/text_view.h"

namespace feedrite {

class PlainTextView : public TextView {
  public:
    [[nodiscard]] std::string text() const override { return text_; }
    void set_text(std::string_view text) override;
    [[nodiscard]] TextPos length() const override { return static_cast<TextPos>(text_.size()); }

    [[nodiscard]] TextPos selection_start() const override { return start_; }
    void set_selection_start(TextPos start) override;
    [[nodiscard]] TextPos selection_length() const override { return length_; }
    void set_selection_length(TextPos length) override;
    [[nodiscard]] std::string selected_text() const override;
    void replace_selection(std::string_view text) override;
    std::string select_line_from(TextPos start) override;
    TextPos find(std::string_view what, TextPos start, TextPos end, bool match_case,
                 bool highlight) override;
    [[nodiscard]] std::int64_t line_index(TextPos pos) const override;

  private:
    void rebuild_line_starts();

    std::string text_;
    TextPos start_ = 0;
    TextPos length_ = 0;
    std::vector<TextPos> line_starts_{0};
};

/// Every CR LF, lone LF and lone CR of `text` as CR LF.
[[nodiscard]] std::string with_crlf_breaks(std::string_view text);

/// First position at or after `from` where `what` occurs in `text`, or npos.
/// Without `match_case`, Latin-1 letters compare ignoring case.
[[nodiscard]] std::size_t find_in(std::string_view text, std::string_view what, std::size_t from,
                                  bool match_case);

}  // namespace feedrite
