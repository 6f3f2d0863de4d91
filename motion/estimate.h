// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run of the program costs: the tape time of each block at the
// device's speed, the machining time the motion model gives it, and where
// the control, done with a cutting block before the next one is read, waits
// for the tape (starvation: it stands still and marks the part).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/port_settings.h"

namespace feedrite {

struct BlockFigures {
    double machining = 0;  ///< seconds
    double tape = 0;       ///< seconds to read the block
    bool feed = false;     ///< a cutting block: the control goes on from it without a stop
};

struct Wait {
    std::size_t block = 0;  ///< index: line block + 1
    double seconds = 0;
};

struct Starvation {
    double seconds = 0;
    std::size_t blocks = 0;   ///< blocks the control waits for
    std::vector<Wait> worst;  ///< longest first, the earlier block first among equals
};

/// How long the control waits for block `i` of `blocks` (see below).
[[nodiscard]] double wait_for(const std::vector<BlockFigures>& blocks, std::size_t i);

/// Between two cutting blocks the control waits max(0, tape time of the next
/// block - machining time of this one); the wait belongs to the next block.
[[nodiscard]] Starvation starvation(const std::vector<BlockFigures>& blocks, std::size_t keep = 10);

struct ProgramEstimate {
    double tape_seconds = 0;  ///< one cycle: leader, every block, trailer
    double machining_seconds = 0;
    Starvation waits;
    std::size_t unknown_blocks = 0;  ///< blocks the motion model could not follow
    bool speed_known = false;        ///< the device has a speed display above 0
    /// Per line: the machining time and waits from its block to the end.
    std::vector<float> left;
    /// The lines (1-based, in order) whose blocks the control waits for.
    std::vector<std::int32_t> waiting_lines;
};

/// `text` as the view holds it after loading (lines ending CR LF), sent
/// with `settings` as read from the device's file.
[[nodiscard]] ProgramEstimate estimate_program(std::string_view text, const PortSettings& settings);

}  // namespace feedrite
