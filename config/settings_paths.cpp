// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_paths.h"

namespace feedrite {

std::string settings_path(const std::string& program_dir, const std::string& device_name) {
    if (device_name == default_device_name) return program_dir + "/Editor BTR port settings";
    return program_dir + "/Editor BTR port settings for " + device_name;
}

std::string device_list_path(const std::string& program_dir) {
    return program_dir + "/Editor BTR device list";
}

std::string device_list_temp_path(const std::string& program_dir) {
    return program_dir + "/Editor BTR device list (tempfile)";
}

}  // namespace feedrite
