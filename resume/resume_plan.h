// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Resuming a program at a line: the state before it, the preamble that
// restores it, and where the line starts in the view.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_view.h"
#include "resume/modal_state.h"

namespace feedrite {

struct ResumePlan {
    std::int64_t line = 1;  ///< 1-based line of the loaded text
    TextPos start = 0;      ///< where that line starts in the view
    ModalState state;
    std::string clearance;                   ///< Z height of the approach, as typed
    std::string clearance_problem;           ///< why it cannot be used; empty: it can
    std::vector<std::string> blocks;         ///< the preamble
    std::vector<std::string> scan_warnings;  ///< what the scan could not be sure of
    std::vector<std::string> preamble_warnings;

    [[nodiscard]] std::vector<std::string> warnings() const;
};

/// The plan for `line` of `text` (the view's text, CR LF between lines) with
/// the proposed clearance; nothing when the line is outside the program.
[[nodiscard]] std::optional<ResumePlan> plan_resume(std::string_view text, std::int64_t line);

/// Builds the preamble again with another clearance height, written in the
/// program's notation; one that cannot be used gives no approach and a problem.
void set_clearance(ResumePlan& plan, const std::string& clearance);

/// What the window and the tool hand to the send driver: the next run starts
/// with these blocks after the leader, then the program at `start`.
struct ResumeRequest {
    bool pending = false;
    TextPos start = 0;
    std::vector<std::string> blocks;
};

}  // namespace feedrite
