#include "config/state_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

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
    return state_dir_for(environment("XDG_STATE_HOME"), environment("HOME"));
}

std::string history_path() {
    const std::string dir = state_dir();
    return dir.empty() ? "" : dir + "/history.jsonl";
}

bool make_dirs(const std::string& dir) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace feedrite
