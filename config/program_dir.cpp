#include "config/program_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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

}  // namespace

std::string executable_dir() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return ".";
    return without_trailing_separator(exe.parent_path().string());
}

std::string choose_program_dir(const ProgramDirFacts& facts) {
    if (!facts.override_dir.empty()) return without_trailing_separator(facts.override_dir);
    if (facts.is_writable(facts.executable_dir) || facts.holds_settings(facts.executable_dir))
        return facts.executable_dir;
    const std::string config_home =
        facts.xdg_config_home.empty() ? facts.home + "/.config" : facts.xdg_config_home;
    return without_trailing_separator(config_home) + "/feedrite";
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

std::string resolve_program_dir(const std::string& override_dir) {
    ProgramDirFacts facts{
        executable_dir(),
        override_dir,
        env_or_empty("XDG_CONFIG_HOME"),
        env_or_empty("HOME"),
        [](const std::string& dir) { return ::access(dir.c_str(), W_OK) == 0; },
        holds_settings_files,
    };
    const std::string dir = choose_program_dir(facts);
    std::error_code ignored;  // a folder that cannot be made shows up as file errors later
    std::filesystem::create_directories(dir, ignored);
    return dir;
}

}  // namespace feedrite
