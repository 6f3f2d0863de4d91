#pragma once
// The program directory: where the settings files and the scratchpad live.

#include <functional>
#include <string>

namespace feedrite {

/// The folder of the running executable, without a trailing separator.
[[nodiscard]] std::string executable_dir();

struct ProgramDirFacts {
    std::string executable_dir;
    std::string override_dir;     ///< --program-dir, may be empty
    std::string xdg_config_home;  ///< $XDG_CONFIG_HOME, may be empty
    std::string home;             ///< $HOME
    std::function<bool(const std::string&)> is_writable;
    std::function<bool(const std::string&)> holds_settings;
};

/// --program-dir when given; else the executable's folder when it is writable
/// or already holds settings files (a portable install); else the user's
/// configuration folder "feedrite" (an installed program). No trailing "/".
[[nodiscard]] std::string choose_program_dir(const ProgramDirFacts& facts);

/// choose_program_dir with the facts of this machine; creates the user's
/// configuration folder when it is the choice and does not exist yet.
[[nodiscard]] std::string resolve_program_dir(const std::string& override_dir);

/// True when `dir` holds the editor settings file, a port settings file or the
/// device list.
[[nodiscard]] bool holds_settings_files(const std::string& dir);

}  // namespace feedrite
