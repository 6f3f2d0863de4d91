#pragma once
// The blocks that put the control back into the state a line expects, in a
// safe order: units, distance mode, plane, compensation and cycles cancelled,
// work offset, tool change, tool length, spindle and speed, coolant, feed,
// then the approach to the start position at the clearance height.

#include <cstdint>
#include <string>
#include <vector>

#include "prepare/modal_state.h"

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

/// The clearance to propose: the highest Z the program reached before the
/// line, in its notation; empty when it never gave a Z.
[[nodiscard]] std::string proposed_clearance(const ModalState& state);

}  // namespace feedrite
