// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a program file ends its lines, so that saving gives back the file as
// its user knows it: the view holds CR LF between lines whatever the file had.

#include <string>
#include <string_view>

namespace feedrite {

enum class LineEndStyle { CrLf, Lf, Cr };

struct LineEnds {
    LineEndStyle style = LineEndStyle::CrLf;  ///< the style most of its lines used
    /// The line ends after the file's last other byte, as they were.
    std::string tail = "\r\n";

    bool operator==(const LineEnds&) const = default;
};

/// The line ends of a file's bytes. A tie goes to CR LF, then LF.
[[nodiscard]] LineEnds line_ends_of(std::string_view file);

/// The view's text (CR LF between lines and the one CR LF that loading adds
/// at the end) as the file's bytes: its breaks in `ends.style`; the final CR
/// LF, where the view still has it, becomes `ends.tail`.
[[nodiscard]] std::string with_line_ends(std::string_view view_text, const LineEnds& ends);

}  // namespace feedrite
