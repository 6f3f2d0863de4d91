// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programs sent lately, newest first, each with the device and the mode it
// was sent with, for the window that asks what to send.

#include <string>
#include <vector>

#include "tools/command_line.h"

namespace feedrite {

inline constexpr std::size_t recent_programs_kept = 10;

[[nodiscard]] std::string recent_programs_path(const std::string& program_dir);

/// The starts in the list file, newest first, as the command line would read
/// them (one path|device|mode per line); none when the file is missing.
[[nodiscard]] std::vector<StartRequest> read_recent_programs(const std::string& program_dir);

/// Puts the start of `request` first (its file name made absolute), once per
/// program file, keeps the newest
/// `recent_programs_kept` and rewrites the file safely. A file name the
/// command line could not carry (with "|" or a line break) is not kept. The
/// list is a convenience: a failure to write it is ignored.
void remember_program(const std::string& program_dir, StartRequest request);

}  // namespace feedrite
