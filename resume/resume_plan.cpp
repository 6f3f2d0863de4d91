// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/resume_plan.h"

#include "resume/preamble.h"
#include "resume/resume_proof.h"

namespace feedrite {

std::vector<std::string> ResumePlan::warnings() const {
    std::vector<std::string> all;
    if (!clearance_problem.empty()) all.push_back(clearance_problem);
    if (!refused.empty()) all.push_back("Refused: " + refused + ".");
    if (!refused.empty() && !restart_text().empty()) all.push_back(restart_text());
    if (!refused.empty()) return all;
    all.insert(all.end(), preamble_warnings.begin(), preamble_warnings.end());
    for (const auto& [code, where] : scan.unknown_codes)
        all.push_back("line " + std::to_string(where) + ": " + code +
                      " is not known to the preamble: not restored");
    return all;
}

std::string ResumePlan::restart_text() const {
    if (restart.before == 0 && restart.after == 0) return "";
    std::string said = "Safe restart points: ";
    if (restart.before != 0) said += "line " + std::to_string(restart.before) + " (before)";
    if (restart.before != 0 && restart.after != 0) said += ", ";
    if (restart.after != 0) said += "line " + std::to_string(restart.after) + " (after)";
    return said;
}

std::optional<ResumePlan> plan_resume(std::string_view text, std::int64_t line) {
    ResumePlan plan;
    plan.text = std::make_shared<const std::string>(text);
    const std::vector<std::string_view> lines = program_lines(*plan.text);
    if (line < 1 || line > static_cast<std::int64_t>(lines.size())) return std::nullopt;
    plan.line = line;
    plan.start = lines[static_cast<std::size_t>(line - 1)].data() - plan.text->data();
    plan.scan = scan_to_line(lines, line);
    plan.restart = restart_points(lines, line);
    plan.at_restart_point = plan.restart.before == line;
    set_clearance(plan, proposed_clearance(plan.scan));
    return plan;
}

void set_clearance(ResumePlan& plan, const std::string& clearance) {
    const ClearanceEntry entry = read_clearance(plan.scan, clearance);
    plan.clearance = entry.text;
    plan.clearance_problem = entry.problem;
    Preamble preamble = build_preamble(plan.scan, entry.problem.empty() ? entry.text : "");
    plan.blocks = std::move(preamble.blocks);
    plan.refused = std::move(preamble.refused);
    plan.approach = preamble.approach;
    plan.preamble_warnings = std::move(preamble.warnings);
    if (!plan.refused.empty()) return;
    // A preamble that does not prove itself is never sent.
    plan.proof = prove_resume(program_lines(*plan.text), plan.scan, plan.blocks, plan.approach);
    if (plan.proof.empty()) return;
    plan.refused = "the preamble does not bring the control into the state of the whole run (" +
                   plan.proof.front() + ")";
    plan.blocks.clear();
}

}  // namespace feedrite
