// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/state_dir.h"

#include <cstdlib>

#include "base/invoking_user.h"

namespace feedrite {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string state_dir_for(const std::string& xdg_state_home, const std::string& home) {
    if (!xdg_state_home.starts_with('/') && !home.starts_with('/')) return "";
    const std::string base = xdg_state_home.starts_with('/')
                                 ? without_trailing_slash(xdg_state_home)
                                 : without_trailing_slash(home) + "/.local/state";
    return (base == "/" ? "" : base) + "/feedrite";
}

std::string state_dir() {
    // Through sudo, the user's own records, as their settings are: root's
    // would hide them, and a resume offer would never reach the user.
    const InvokingUser user = invoking_user();
    return state_dir_for(environment("XDG_STATE_HOME"), user.name.empty() ? own_home() : user.home);
}

std::string history_path() {
    const std::string dir = state_dir();
    return dir.empty() ? "" : dir + "/history.jsonl";
}

}  // namespace feedrite
