// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/sub_file_path.h"

#include <algorithm>

namespace feedrite {

std::string program_folder(std::string_view program_path) {
    const std::size_t slash = program_path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? "/" : std::string(program_path.substr(0, slash));
}

std::string sub_file_path(std::string_view name, std::string_view base_folder) {
    std::string path(name.substr(0, name.find_last_not_of(' ') + 1));
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.starts_with('/')) return path;
    std::string folder(base_folder);
    if (!folder.ends_with('/')) folder += '/';
    return folder + path;
}

}  // namespace feedrite
