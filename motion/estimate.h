// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run of the program costs: the tape time of each block at the
// device's speed with the delay between blocks, the machining time the
// motion model gives it, and where the control waits for the tape. The
// control is run against the tape: the tape streams every character the
// control reads (comments and empty lines too) into a buffer of N blocks,
// and the control runs each block once it has it whole. A wait while the
// tool stands in the cut is a stop that marks the part.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/port_settings.h"
#include "motion/motion_model.h"

namespace feedrite {

struct BlockFigures {
    double machining = 0;  ///< seconds
    double tape = 0;       ///< seconds to read the block and the delay after it
    bool feed = false;     ///< it moves, all at F: it cuts
    bool moves = false;    ///< it moves the tool
    bool known = true;     ///< its machining time is known
};

struct BlockWait {
    double seconds = 0;    ///< how long the control waits for the block
    bool unknown = false;  ///< it depends on a block of unknown time before it
};

/// The control running `blocks` while the tape fills its buffer of `buffer`
/// blocks (at least 1): a block is read once the one before it is and the
/// block `buffer` places before it has started. After a block of unknown
/// time the next `buffer` waits are unknown, and the run goes on as if that
/// block lasted until the buffer was full (then what follows no longer
/// depends on it).
[[nodiscard]] std::vector<BlockWait> control_waits(const std::vector<BlockFigures>& blocks,
                                                   std::size_t buffer = 1);

struct Wait {
    std::size_t block = 0;  ///< index (line - 1) of the cut the tool stands before
    double seconds = 0;
};

struct Starvation {
    double seconds = 0;       ///< every stop in the cut, added up
    std::size_t blocks = 0;   ///< stops in the cut
    std::vector<Wait> worst;  ///< longest first, the earlier block first among equals
    std::size_t unknown = 0;  ///< stops in the cut whose length is not known
};

/// The stops in the cut: the waits between a cutting block and the next
/// block that moves, when that one cuts too (blocks that do not move, such
/// as comment lines, leave the tool where it is), each added up into one
/// stop before that next cut.
[[nodiscard]] Starvation starvation(const std::vector<BlockFigures>& blocks,
                                    const std::vector<BlockWait>& waits, std::size_t keep = 10);

struct ProgramEstimate {
    double tape_seconds = 0;  ///< one cycle: leader, the blocks sent, trailer
    double machining_seconds = 0;
    Starvation waits;
    std::size_t unknown_blocks = 0;  ///< blocks the motion model could not follow
    bool speed_known = false;        ///< the device has a speed display above 0
    bool accelerated = false;        ///< the device knows an axis's acceleration
    /// Blocks in the cycle: up to the one holding the reset text, which
    /// sends the tape back to the top, or every block. Nothing after counts.
    std::size_t blocks_sent = 0;
    bool ends_at_reset = false;
    /// Per line: the machining time and waits from its block to the cycle's
    /// end (0 past it).
    std::vector<float> left;
    /// The lines (1-based, in order) of the cuts before which the tool stops
    /// longer than the device's wait mark.
    std::vector<std::int32_t> waiting_lines;
};

/// The settings of the motion model for `lines` sent with `settings`.
[[nodiscard]] MotionSettings motion_settings(const std::vector<std::string_view>& lines,
                                             const PortSettings& settings);

/// `text` as the view holds it after loading (lines ending CR LF), sent
/// with `settings` as read from the device's file: its speed, delay between
/// blocks, the control's read-ahead, the wait mark, the machine's rapid rate,
/// acceleration and a lathe's feed mode at start.
[[nodiscard]] ProgramEstimate estimate_program(std::string_view text, const PortSettings& settings);

}  // namespace feedrite
