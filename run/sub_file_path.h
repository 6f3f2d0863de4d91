// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a sub file named in a CALL statement is looked for.

#include <string>
#include <string_view>

namespace feedrite {

/// The folder of a program file, without a trailing separator ("." for a bare name).
[[nodiscard]] std::string program_folder(std::string_view program_path);

/// The path to open for a CALL's name. Names are written for the shop's old
/// DOS-style folders, so "\" becomes "/". Blanks after the name are dropped:
/// the file systems the programs were written on ignored them. A relative name
/// is looked for next to the main program, where the shop keeps its sub files,
/// not in whatever folder the program was started from; an absolute name is
/// used as it is.
[[nodiscard]] std::string sub_file_path(std::string_view name, std::string_view base_folder);

}  // namespace feedrite
