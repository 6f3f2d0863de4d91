// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window's waits box and feedrite-tape say about the stops in the
// cut: the totals, the longest stops and what would help.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "motion/estimate.h"

namespace feedrite {

/// `seconds` as h:mm:ss, rounded to the second.
[[nodiscard]] std::string clock_text(double seconds);

/// The box's text. `speed` names the tape's speed ("the device's speed of
/// 300 cps"); `line(i)` is the text of line i + 1; `threshold` the shortest
/// stop marked.
[[nodiscard]] std::string waits_report(const ProgramEstimate& estimate, std::string_view speed,
                                       const std::function<std::string(std::size_t)>& line,
                                       double threshold);

}  // namespace feedrite
