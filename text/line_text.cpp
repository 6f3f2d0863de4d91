// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/line_text.h"

#include <algorithm>

#include "base/stop_request.h"
#include "text/plain_text_view.h"

namespace feedrite {
namespace {

// Splits `text` at its breaks (CR LF, lone LF, lone CR): the bytes go to
// `bytes` without the breaks, and the offset in `bytes` where each new line
// starts to `starts`, `base` being where `bytes` begins in the store. Returns
// the length of the longest piece.
std::int64_t split_lines(std::string_view text, std::int64_t base, std::string& bytes,
                         std::vector<std::int64_t>& starts) {
    std::int64_t widest = 0;
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* piece = p;
    while (p < end) {
        const char c = *p;
        if (c != '\r' && c != '\n') {
            ++p;
            continue;
        }
        bytes.append(piece, static_cast<std::size_t>(p - piece));
        widest = std::max<std::int64_t>(widest, p - piece);
        p += (c == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
        piece = p;
        starts.push_back(base + static_cast<std::int64_t>(bytes.size()));
        // Ending anyway: the lines so far are enough, and nothing is sent.
        if (stop_requested_at(starts.size())) return widest;
    }
    bytes.append(piece, static_cast<std::size_t>(end - piece));
    return std::max<std::int64_t>(widest, end - piece);
}

}  // namespace

void LineText::set_text(std::string_view text) {
    // Fresh buffers, so a short text does not keep a long one's memory.
    std::string bytes;
    bytes.reserve(text.size());
    std::vector<std::int64_t> starts;
    starts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    starts.push_back(0);
    widest_ = split_lines(text, 0, bytes, starts);
    bytes_ = std::move(bytes);
    starts_ = std::move(starts);
    ++revision_;
}

TextPos LineText::length() const {
    return static_cast<TextPos>(bytes_.size()) + 2 * (line_count() - 1);
}

std::int64_t LineText::line_end_byte(std::int64_t line) const {
    return line + 1 < line_count() ? starts_[static_cast<std::size_t>(line + 1)]
                                   : static_cast<std::int64_t>(bytes_.size());
}

std::string_view LineText::line(std::int64_t line) const {
    const std::int64_t begin = starts_[static_cast<std::size_t>(line)];
    return {bytes_.data() + begin, static_cast<std::size_t>(line_end_byte(line) - begin)};
}

TextPos LineText::line_start(std::int64_t line) const {
    return starts_[static_cast<std::size_t>(line)] + 2 * line;
}

TextPos LineText::clamp(TextPos pos) const {
    return std::clamp<TextPos>(pos, 0, length());
}

std::int64_t LineText::line_of(TextPos pos) const {
    pos = clamp(pos);
    // The last line starting at or before pos.
    std::int64_t low = 0, high = line_count() - 1;
    while (low < high) {
        const std::int64_t mid = low + (high - low + 1) / 2;
        if (line_start(mid) <= pos)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

std::int64_t LineText::byte_of(TextPos pos) const {
    const std::int64_t line = line_of(pos);
    const auto length = static_cast<TextPos>(this->line(line).size());
    return starts_[static_cast<std::size_t>(line)] +
           std::min(clamp(pos) - line_start(line), length);
}

std::string LineText::text() const {
    return text(0, length());
}

std::string LineText::text(TextPos from, TextPos to) const {
    from = clamp(from);
    to = clamp(to);
    std::string out;
    if (to <= from) return out;
    out.reserve(static_cast<std::size_t>(to - from));
    for (std::int64_t i = line_of(from); i < line_count() && line_start(i) < to; ++i) {
        const TextPos begin = line_start(i);
        const std::string_view chars = line(i);
        const TextPos end = begin + static_cast<TextPos>(chars.size());
        const TextPos a = std::max(from, begin), b = std::min(to, end);
        if (a < b)
            out.append(
                chars.substr(static_cast<std::size_t>(a - begin), static_cast<std::size_t>(b - a)));
        if (i + 1 == line_count()) break;
        if (from <= end && end < to) out += '\r';
        if (from <= end + 1 && end + 1 < to) out += '\n';
    }
    return out;
}

TextPos LineText::replace(TextPos from, TextPos to, std::string_view text) {
    const std::int64_t first = line_of(from), last = line_of(std::max(from, to));
    const std::int64_t a = byte_of(from), b = std::max(a, byte_of(std::max(from, to)));
    std::string inserted;
    inserted.reserve(text.size());
    std::vector<std::int64_t> new_starts;
    (void)split_lines(text, a, inserted, new_starts);
    bytes_.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a), inserted);

    // Lines first+1..last are gone; the inserted breaks start new ones, and
    // every line after them moves by the change in length.
    const auto at = starts_.begin() + first + 1;
    starts_.insert(starts_.erase(at, starts_.begin() + last + 1), new_starts.begin(),
                   new_starts.end());
    const auto added = static_cast<std::int64_t>(new_starts.size());
    const std::int64_t delta = static_cast<std::int64_t>(inserted.size()) - (b - a);
    for (auto i = static_cast<std::size_t>(first + 1 + added); i < starts_.size(); ++i)
        starts_[i] += delta;

    for (std::int64_t i = first; i <= first + added; ++i)
        widest_ = std::max(widest_, static_cast<std::int64_t>(line(i).size()));
    ++revision_;
    const std::int64_t end_byte = a + static_cast<std::int64_t>(inserted.size());
    return line_start(first + added) +
           (end_byte - starts_[static_cast<std::size_t>(first + added)]);
}

TextPos LineText::find(std::string_view what, TextPos start, TextPos end, bool match_case) const {
    if (end < 0 || end > length()) end = length();
    start = std::clamp<TextPos>(start, 0, end);
    if (what.empty()) return start;
    // Line by line from the one holding `start`, keeping the tail of what was
    // searched so that a text spanning a break is found too.
    const std::size_t keep = what.size() - 1;
    std::string buffer;
    TextPos buffer_base = 0;
    for (std::int64_t i = line_of(start); i < line_count() && line_start(i) < end; ++i) {
        if (buffer.empty()) buffer_base = line_start(i);
        buffer += line(i);
        if (i + 1 < line_count()) buffer += "\r\n";
        const auto from = static_cast<std::size_t>(std::max<TextPos>(start - buffer_base, 0));
        const std::size_t hit = find_in(buffer, what, from, match_case);
        if (hit != std::string::npos) {
            const TextPos p = buffer_base + static_cast<TextPos>(hit);
            return p + static_cast<TextPos>(what.size()) <= end ? p : -1;
        }
        const std::size_t drop = buffer.size() - std::min(buffer.size(), keep);
        buffer.erase(0, drop);
        buffer_base += static_cast<TextPos>(drop);
    }
    return -1;
}

}  // namespace feedrite
