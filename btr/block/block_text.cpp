// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/block_text.h"

#include <algorithm>

namespace feedrite {
namespace {

bool in_mask(std::string_view mask, char c) {
    return mask.find(c) != std::string_view::npos;
}

}  // namespace

std::string take_first_comment(std::string& t) {
    const std::size_t open = t.find('(');
    if (open == std::string::npos) return {};
    const std::size_t close = t.find(')', open);
    const std::size_t end = close == std::string::npos ? t.size() : close + 1;
    std::string comment = t.substr(open, end - open);
    t.erase(open, end - open);
    return comment;
}

void mask_outside_comments(std::string& t, std::string_view mask) {
    // A plain loop: the inside state depends on the order of the walk.
    bool inside = false;
    std::size_t kept = 0;
    for (const char c : t) {
        if (c == '(') inside = true;
        if (c == ')') inside = false;
        if (inside || !in_mask(mask, c)) t[kept++] = c;
    }
    t.resize(kept);
}

void mask_everywhere(std::string& t, std::string_view mask) {
    t.erase(std::remove_if(t.begin(), t.end(), [&](char c) { return in_mask(mask, c); }), t.end());
}

}  // namespace feedrite
