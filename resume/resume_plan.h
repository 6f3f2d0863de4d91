// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Resuming a program at a line: the scan up to it, the preamble that
// restores its state (or why the line is refused), the safe restart points
// around it, and where the line starts in the view.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_view.h"
#include "resume/restart_points.h"
#include "resume/resume_scan.h"

namespace feedrite {

struct ResumePlan {
    std::int64_t line = 1;  ///< 1-based line of the loaded text
    TextPos start = 0;      ///< where that line starts in the view
    ResumeScan scan;
    /// The text the plan was made for, shared by the copies of the plan.
    std::shared_ptr<const std::string> text;
    std::string clearance;            ///< Z height of the approach, as typed
    std::string clearance_problem;    ///< why it cannot be used; empty: it can
    std::vector<std::string> blocks;  ///< the preamble
    std::string refused;              ///< why the line cannot be resumed at; empty: it can
    bool approach = false;            ///< the preamble brings the tool to the line's start
    std::vector<std::string> preamble_warnings;
    /// What the preamble's proof found wrong (resume_proof); then it is refused.
    std::vector<std::string> proof;
    RestartPoints restart;          ///< the safe restart points nearest the line
    bool at_restart_point = false;  ///< the line is one itself

    [[nodiscard]] MachineKind kind() const { return scan.state.kind; }
    /// Everything to tell: the clearance's problem, the refusal, the doubts.
    [[nodiscard]] std::vector<std::string> warnings() const;
    /// "Safe restart points: line 20 (before), line 52 (after)"; empty when none.
    [[nodiscard]] std::string restart_text() const;
    /// The plan can be sent.
    [[nodiscard]] bool usable() const { return refused.empty() && clearance_problem.empty(); }
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
