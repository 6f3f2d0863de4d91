// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-tape: the real send driver and engine on a virtual port with a
// control that is always in run, showing what the control reads.

#include <iosfwd>
#include <string>
#include <vector>

namespace feedrite {

/// Runs the tool with `args` (without the program name); the control's
/// characters or the trace go to `out`, messages to `errors`. Returns the exit
/// status: 0 after the cycles or a binary file, 2 for a usage error or an
/// unconfigured port, 1 for a load failure.
int run_tape(const std::vector<std::string>& args, std::ostream& out, std::ostream& errors);

[[nodiscard]] std::string tape_usage();

}  // namespace feedrite
