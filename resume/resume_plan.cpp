// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/resume_plan.h"

#include "resume/preamble.h"

namespace feedrite {

std::vector<std::string> ResumePlan::warnings() const {
    std::vector<std::string> all;
    if (!clearance_problem.empty()) all.push_back(clearance_problem);
    all.insert(all.end(), scan_warnings.begin(), scan_warnings.end());
    all.insert(all.end(), preamble_warnings.begin(), preamble_warnings.end());
    return all;
}

std::optional<ResumePlan> plan_resume(std::string_view text, std::int64_t line) {
    const std::vector<std::string_view> lines = program_lines(text);
    if (line < 1 || line > static_cast<std::int64_t>(lines.size())) return std::nullopt;
    ResumePlan plan;
    plan.line = line;
    plan.start = lines[static_cast<std::size_t>(line - 1)].data() - text.data();
    ModalScan scan = scan_modal_state(lines, line);
    plan.state = std::move(scan.state);
    plan.scan_warnings = std::move(scan.warnings);
    set_clearance(plan, proposed_clearance(plan.state));
    return plan;
}

void set_clearance(ResumePlan& plan, const std::string& clearance) {
    const ClearanceEntry entry = read_clearance(plan.state, clearance);
    plan.clearance = entry.text;
    plan.clearance_problem = entry.problem;
    Preamble preamble =
        build_preamble(plan.state, plan.line, entry.problem.empty() ? entry.text : "");
    plan.blocks = std::move(preamble.blocks);
    plan.preamble_warnings = std::move(preamble.warnings);
}

}  // namespace feedrite
