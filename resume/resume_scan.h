// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a resume needs to know of the program up to a line, read through the
// one interpreter (motion/nc_interpreter): the state before the line, what
// the line itself does, and the program's habits that the preamble copies
// (its retract, the order in which it brings axes in, its plunge feeds).
// Nothing here reads a block for state on its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "motion/nc_interpreter.h"

namespace feedrite {

/// The program's own ways, from its blocks before the line (the retract from
/// the whole program).
struct Habits {
    /// Blocks that move in machine terms only, as the program retracts before
    /// its tool changes: before the line if it does so there, else after it,
    /// else its last retract.
    std::vector<std::string> retract;
    /// The axes of each rapid since the tool last stood at its top (a mill's
    /// Z, a lathe's X and Z), in order: bit per axis_letters index.
    std::vector<std::uint16_t> order;
    /// Where the last rapid since then ended (each axis, when known).
    std::array<std::optional<NcNumber>, axis_count> rapid_end{};
    /// Where the last rapid that moved Z ended.
    std::optional<NcNumber> rapid_z;
    /// F of the last feed move in Z alone, and (a lathe's) in X alone.
    std::optional<NcNumber> plunge_z, plunge_x;
    /// The program writes positions with a decimal point.
    bool points = true;
};

struct ResumeScan {
    std::int64_t line = 1;
    NcState state;               ///< before the line, from the top
    NcState resumed;             ///< what a resumed control is taken to start from
    BlockEffect effect;          ///< what the line does in that state
    NcState after;               ///< after the line
    int lathe_cycle_before = 0;  ///< the lathe cycle code of the block before the line
    bool contour_open = false;   ///< a lathe cycle's contour is to come or under way
    Habits habits;
    /// Codes outside the interpreter's list, with their first line: not restored.
    std::vector<std::pair<std::string, std::int64_t>> unknown_codes;
};

/// The scan for `line` (1-based, within `lines`).
[[nodiscard]] ResumeScan scan_to_line(const std::vector<std::string_view>& lines,
                                      std::int64_t line);

}  // namespace feedrite
