// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/nc_block.h"

#include <cmath>
#include <cstdio>

namespace feedrite {

std::string format_number(const NcNumber& number) {
    char buffer[64];
    if (!number.point) {
        std::snprintf(buffer, sizeof buffer, "%lld",
                      static_cast<long long>(std::llround(number.value)));
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.*f", number.decimals, number.value);
    std::string text = buffer;
    if (text.find('.') == std::string::npos) text += '.';
    while (text.ends_with('0')) text.pop_back();
    if (text == "-0.") text = "0.";
    return text;
}

}  // namespace feedrite
