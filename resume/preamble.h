// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The blocks that put the control back into the state a line expects, in a
// safe order: units, plane, compensation and cycles cancelled, the program's
// own retract, work offset, tool change, spindle and speed, coolant, feed
// mode, the approach as the program makes it (over the start at its traverse
// height, the length offset with the move down to the clearance, the plunge
// at its plunge feed), then the distance mode, motion mode and F the line
// reads. A move whose grounds are not known for sure is left out and said.

#include <cstdint>
#include <string>
#include <vector>

#include "resume/modal_state.h"

namespace feedrite {

struct Preamble {
    std::vector<std::string> blocks;
    std::vector<std::string> warnings;
};

/// The preamble for resuming at `line` from `state`. `clearance` is the Z
/// height (program units, work coordinates) the approach passes at, as the
/// operator confirmed it; empty: no approach move, with a warning.
[[nodiscard]] Preamble build_preamble(const ModalState& state, std::int64_t line,
                                      const std::string& clearance);

/// The clearance to propose: where the program's last rapid in Z ended, else
/// the highest Z it reached, if at or above the start; in its notation.
[[nodiscard]] std::string proposed_clearance(const ModalState& state);

/// A clearance as typed, written in the program's notation ("2" becomes "2."
/// where the program writes points); `problem` says why it cannot be used:
/// not a number, a point the program never writes, below the start on a mill.
struct ClearanceEntry {
    std::string text;
    std::string problem;
};
[[nodiscard]] ClearanceEntry read_clearance(const ModalState& state, const std::string& typed);

}  // namespace feedrite
