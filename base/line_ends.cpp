// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/line_ends.h"

namespace feedrite {

LineEnds line_ends_of(std::string_view file) {
    std::size_t crlf = 0, lf = 0, cr = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\n') {
            ++lf;
        } else if (file[i] == '\r') {
            if (i + 1 < file.size() && file[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        }
    }
    LineEnds ends;
    if (lf > crlf && lf >= cr) ends.style = LineEndStyle::Lf;
    if (cr > crlf && cr > lf) ends.style = LineEndStyle::Cr;
    const auto last = file.find_last_not_of("\r\n");
    ends.tail = file.substr(last == std::string_view::npos ? 0 : last + 1);
    return ends;
}

std::string with_line_ends(std::string_view view_text, const LineEnds& ends) {
    // The view's last CR LF stands for the file's own ending; a user who
    // deleted it wants none.
    const bool ended = view_text.ends_with("\r\n");
    if (ended) view_text.remove_suffix(2);
    const std::string_view brk = ends.style == LineEndStyle::CrLf ? "\r\n"
                                 : ends.style == LineEndStyle::Lf ? "\n"
                                                                  : "\r";
    std::string out;
    out.reserve(view_text.size() + ends.tail.size());
    for (std::size_t i = 0; i < view_text.size(); ++i) {
        if (view_text[i] == '\r' && i + 1 < view_text.size() && view_text[i + 1] == '\n') {
            out += brk;
            ++i;
        } else {
            out += view_text[i];
        }
    }
    if (ended) out += ends.tail;
    return out;
}

}  // namespace feedrite
