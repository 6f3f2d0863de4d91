// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/program_dir.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/invoking_user.h"

#ifndef FEEDRITE_INSTALL_BINDIR
#define FEEDRITE_INSTALL_BINDIR "/usr/bin"
#endif

namespace feedrite {
namespace {

std::string without_trailing_separator(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string env_or_empty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool is_installed(const ProgramDirFacts& facts) {
    return facts.executable_dir == without_trailing_separator(facts.install_bindir) ||
           facts.executable_dir.starts_with("/usr/");
}

ProgramPlaces user_places(const ProgramDirFacts& facts) {
    ProgramPlaces places;
    // sudo keeps the caller's XDG_CONFIG_HOME only when told to; root's own
    // folders would hide the user's settings, so fall back to the user's home.
    const std::string home = facts.sudo_user.empty() ? facts.home : facts.sudo_home;
    const std::string config_home =
        facts.xdg_config_home.empty() ? home + "/.config" : facts.xdg_config_home;
    places.dir = without_trailing_separator(config_home) + "/feedrite";
    places.scratchpad_dir = facts.xdg_runtime_dir.empty()
                                ? places.dir
                                : without_trailing_separator(facts.xdg_runtime_dir) + "/feedrite";
    return places;
}

// Files are opened with the rights of the user behind sudo (base/file_user):
// whether that user may write is what the kernel answers for this thread.
bool may_write(const std::string& dir) {
    return ::faccessat(AT_FDCWD, dir.c_str(), W_OK, AT_EACCESS) == 0;
}

// Creates `dir` and, with `parents`, its missing parents; made with the
// user's rights, they are the user's. A folder given on the command line is
// made only when its parent is there: a mistyped path must not grow a tree
// of folders unseen.
void make_folder(const std::string& dir, bool parents = true) {
    if (!parents && !std::filesystem::is_directory(std::filesystem::path(dir).parent_path()))
        return;
    std::error_code ignored;  // a folder that cannot be made shows up as file errors later
    std::filesystem::create_directories(dir, ignored);
}

}  // namespace

std::string executable_dir() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return ".";
    return without_trailing_separator(exe.parent_path().string());
}

ProgramPlaces choose_program_places(const ProgramDirFacts& facts) {
    if (!facts.override_dir.empty()) return {without_trailing_separator(facts.override_dir)};
    ProgramPlaces places;
    if (!is_installed(facts) &&
        (facts.is_writable(facts.executable_dir) || facts.holds_settings(facts.executable_dir)))
        places = ProgramPlaces(facts.executable_dir);
    else
        places = user_places(facts);
    if (!facts.sudo_user.empty())
        places.note = "Run as root through sudo: the settings of " + facts.sudo_user + " in " +
                      places.dir + " are used.";
    return places;
}

bool holds_settings_files(const std::string& dir) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name == "settings.edt" || name.starts_with("Editor BTR port settings") ||
            name == "Editor BTR device list")
            return true;
    }
    return false;
}

ProgramPlaces resolve_program_places(const std::string& override_dir) {
    const InvokingUser user = invoking_user();
    ProgramDirFacts facts{
        executable_dir(),
        FEEDRITE_INSTALL_BINDIR,
        override_dir,
        env_or_empty("XDG_CONFIG_HOME"),
        env_or_empty("XDG_RUNTIME_DIR"),
        own_home(),
        user.name,
        user.home,
        may_write,
        holds_settings_files,
    };
    ProgramPlaces places = choose_program_places(facts);
    // A user behind sudo without a home gets no folders made in its place.
    if (!user.name.empty() && places.dir.starts_with(user.home + "/") &&
        !std::filesystem::is_directory(user.home))
        return places;
    make_folder(places.dir, override_dir.empty());
    if (places.scratchpad_dir != places.dir) {
        make_folder(places.scratchpad_dir);
        // The runtime folder belongs to the session: without it the settings
        // folder holds the scratchpad, as everywhere else.
        if (!may_write(places.scratchpad_dir)) {
            ProgramPlaces fallback = places;
            fallback.scratchpad_dir = places.dir;
            return fallback;
        }
    }
    return places;
}

std::string resolve_program_dir(const std::string& override_dir) {
    return resolve_program_places(override_dir).dir;
}

}  // namespace feedrite
