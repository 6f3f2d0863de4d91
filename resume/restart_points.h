// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Safe restart points: lines where the program itself sets up everything its
// next moves need. Read from such a line by a control after a reset (its
// cancel states, nothing else known: motion/nc_interpreter's
// program_start_state), every move up to the first cut
// comes from known state, no axis the moves leave alone stands at an
// unknown place (unless at the top), a lathe's turret indexes only after a
// retract, and tool, spindle, speed and F are set before the cut. They are
// typically the program's own tool-change blocks, or the retract before one.

#include <cstdint>
#include <string_view>
#include <vector>

namespace feedrite {

struct RestartPoints {
    std::int64_t before = 0;  ///< the nearest at or before the line; 0: none
    std::int64_t after = 0;   ///< the nearest after it; 0: none
};

[[nodiscard]] RestartPoints restart_points(const std::vector<std::string_view>& lines,
                                           std::int64_t line);

/// Every safe restart point of the program, in order, for the view's marks.
[[nodiscard]] std::vector<std::int64_t> all_restart_points(
    const std::vector<std::string_view>& lines);

/// Whether `line` is one.
[[nodiscard]] bool is_restart_point(const std::vector<std::string_view>& lines, std::int64_t line);

}  // namespace feedrite
