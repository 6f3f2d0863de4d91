// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/settings_text.h"

namespace feedrite {

std::string replace_first(std::string line, const std::string& what, const std::string& with) {
    const auto p = line.find(what);
    if (!what.empty() && p != std::string::npos) line.replace(p, what.size(), with);
    return line;
}

bool holds_reset_text(std::string_view block, std::string_view reset) {
    if (reset.empty()) return !block.empty();
    return block.find(reset) != std::string_view::npos;
}

}  // namespace feedrite
