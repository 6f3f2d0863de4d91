// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program view as the core sees it: the text and selection of the
// window's ProgramEdit. Every call is answered by the widget's line-offset
// store (a binary search over line starts at most); every change is followed
// by a repaint of just the lines it touched.

#include "core/text_view.h"

namespace feedrite {

class ProgramEdit;

class QtTextView : public TextView {
  public:
    explicit QtTextView(ProgramEdit& edit) : edit_(edit) {}

    [[nodiscard]] std::string text() const override;
    void set_text(std::string_view text) override;
    [[nodiscard]] TextPos length() const override;

    [[nodiscard]] TextPos selection_start() const override;
    void set_selection_start(TextPos start) override;
    [[nodiscard]] TextPos selection_length() const override;
    void set_selection_length(TextPos length) override;
    [[nodiscard]] std::string selected_text() const override;
    void replace_selection(std::string_view text) override;
    std::string select_line_from(TextPos start) override;
    TextPos find(std::string_view what, TextPos start, TextPos end, bool match_case,
                 bool highlight) override;
    [[nodiscard]] std::int64_t line_index(TextPos pos) const override;

  private:
    ProgramEdit& edit_;
};

}  // namespace feedrite
