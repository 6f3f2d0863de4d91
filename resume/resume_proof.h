// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The proof a preamble carries: the interpreter reads the program from its
// top to the first move from the line on, and, on a control whose state is
// unknown, the preamble and the same lines. No preamble block may move on
// unknown state, and everything the resumed control then knows must agree
// with the whole run: the modes, words and frames after that first move,
// the positions before it (a drill cycle's Z after it: the restored cycle
// starts from its first level); and what a first cut reads (F, S, spindle,
// feed mode) must be set where the whole run knows it. A plan whose proof
// fails is refused.

#include <string>
#include <string_view>
#include <vector>

#include "resume/resume_scan.h"

namespace feedrite {

/// What does not agree, one sentence each; empty when the preamble holds.
/// `approach`: the preamble claims to bring the tool to the line's start.
[[nodiscard]] std::vector<std::string> prove_resume(const std::vector<std::string_view>& lines,
                                                    const ResumeScan& scan,
                                                    const std::vector<std::string>& blocks,
                                                    bool approach);

}  // namespace feedrite
