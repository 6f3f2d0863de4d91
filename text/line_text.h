// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program text as a line-offset index: the bytes of all lines in one
// buffer without their breaks, and where each line starts in it. Positions
// are those of the text view (every break counts as CR LF), and a position
// on the LF of a break is kept as it is, so a selection can start or end
// between the CR and the LF. Finding a position's line is a binary search;
// nothing walks the text except reading it out and searching it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_view.h"

namespace feedrite {

class LineText {
  public:
    /// Replaces the text. Every CR LF, lone LF and lone CR is one break.
    void set_text(std::string_view text);

    /// Length with each break counted as two characters.
    [[nodiscard]] TextPos length() const;
    [[nodiscard]] std::int64_t line_count() const {
        return static_cast<std::int64_t>(starts_.size());
    }
    /// Line `line` without its break.
    [[nodiscard]] std::string_view line(std::int64_t line) const;
    /// Position of the first character of `line`.
    [[nodiscard]] TextPos line_start(std::int64_t line) const;
    /// Line holding `pos` (clamped to the text); both characters of a break
    /// belong to the line the break ends.
    [[nodiscard]] std::int64_t line_of(TextPos pos) const;
    /// At least the length of the longest line; it may stay larger after
    /// edits shorten that line.
    [[nodiscard]] std::int64_t widest_line() const { return widest_; }
    /// Changes with every edit, so a viewer can tell that its layout is stale.
    [[nodiscard]] std::uint64_t revision() const { return revision_; }

    /// The whole text with CR LF between lines.
    [[nodiscard]] std::string text() const;
    /// The characters in [from, to), also half of a break when a bound lies
    /// inside one.
    [[nodiscard]] std::string text(TextPos from, TextPos to) const;

    /// Replaces [from, to) by `text` (any breaks in it become breaks) and
    /// returns the position after the inserted text. A bound on the LF of a
    /// break moves to its CR: a break is removed or kept whole.
    TextPos replace(TextPos from, TextPos to, std::string_view text);

    /// First position of `what` lying wholly within [start, end), or -1.
    /// Bounds as `TextView::find`.
    [[nodiscard]] TextPos find(std::string_view what, TextPos start, TextPos end,
                               bool match_case) const;

  private:
    [[nodiscard]] TextPos clamp(TextPos pos) const;
    [[nodiscard]] std::int64_t line_end_byte(std::int64_t line) const;
    /// Byte offset in `bytes_` of `pos`, a position on an LF counting as its CR.
    [[nodiscard]] std::int64_t byte_of(TextPos pos) const;

    std::string bytes_;
    // Offset in bytes_ of each line's first character; never empty. The
    // line's view position is its offset plus two per earlier break.
    std::vector<std::int64_t> starts_{0};
    std::int64_t widest_ = 0;
    std::uint64_t revision_ = 0;
};

}  // namespace feedrite
