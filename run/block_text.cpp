// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/block_text.h"

namespace feedrite {

std::string replace_first(std::string line, const std::string& what, const std::string& with) {
    const auto p = line.find(what);
    if (!what.empty() && p != std::string::npos) line.replace(p, what.size(), with);
    return line;
}

bool holds_reset_text(const std::string& block, const std::string& reset) {
    if (reset.empty()) return !block.empty();
    return block.find(reset) != std::string::npos;
}

}  // namespace feedrite
