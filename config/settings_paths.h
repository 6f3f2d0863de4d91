// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names of the port settings files and the device list file in the program
// directory. The program directory carries no trailing "/".

#include <string>

namespace feedrite {

/// The built-in device: first in the device list, never written to the list file.
inline constexpr const char* default_device_name = "(default)";

/// The settings file of a device: its own name for "(default)", else the
/// common name followed by the device name exactly as listed (blanks kept).
[[nodiscard]] std::string settings_path(const std::string& program_dir,
                                        const std::string& device_name);

[[nodiscard]] std::string device_list_path(const std::string& program_dir);

/// Holds the shortened list while a device is removed, then replaces the list.
[[nodiscard]] std::string device_list_temp_path(const std::string& program_dir);

}  // namespace feedrite
