// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The blocks that put the control back into the state a line expects, built
// only from what the interpreter knows: units, plane, the cancelled modes,
// the program's own retract (after G90 when it is a G53), work offset, tool
// change, spindle, coolant, feed mode, the approach in the program's own
// order of axes (a mill: over the start at the top, down to the clearance
// with the length offset, the plunge at the program's plunge feed; a lathe:
// to where its last rapid ended, then along one axis at its feed), the
// canned cycle in force written back without a hole, then the distance
// mode, motion mode and F the line reads. An approach is made whole or not
// at all: where anything it needs is unknown the preamble sets the modes
// only and says in one sentence what to do by hand. A line whose meaning
// depends on what cannot be restored is refused.

#include <cstdint>
#include <string>
#include <vector>

#include "resume/resume_scan.h"

namespace feedrite {

struct Preamble {
    std::vector<std::string> blocks;
    std::vector<std::string> warnings;
    std::string refused;    ///< why the line cannot be resumed at; then no blocks
    bool approach = false;  ///< the blocks bring the tool to the line's start
};

/// The preamble for the scan's line. `clearance` is the Z height (program
/// units, work coordinates) a mill's approach goes down to before the
/// plunge, as the operator confirmed it; empty: no approach, with a warning.
[[nodiscard]] Preamble build_preamble(const ResumeScan& scan, const std::string& clearance);

/// The clearance to propose (a mill's): where the program's last rapid in Z
/// ended, if at or above the start (never the highest Z reached: it may be a
/// depth fed down to); inside a drill cycle its first level. In the
/// program's notation.
[[nodiscard]] std::string proposed_clearance(const ResumeScan& scan);

/// A clearance as typed, written in the program's notation ("2" becomes "2."
/// where the program writes points); `problem` says why it cannot be used:
/// not a number, a point the program never writes, below the start on a mill
/// (compared in the finer of the two resolutions written).
struct ClearanceEntry {
    std::string text;
    std::string problem;
};
[[nodiscard]] ClearanceEntry read_clearance(const ResumeScan& scan, const std::string& typed);

/// `number` in the program's notation: with a point ("10.", "-2.25") when the
/// program wrote points, else a whole number ("10000").
[[nodiscard]] std::string format_number(const NcNumber& number);

}  // namespace feedrite
