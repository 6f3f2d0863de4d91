// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program directory: where the settings files and the scratchpad live.

#include <functional>
#include <string>
#include <utility>

namespace feedrite {

/// The folder of the running executable, without a trailing separator.
[[nodiscard]] std::string executable_dir();

/// Where settings and the scratchpad go. Built from a single folder it keeps
/// both there (tests and callers that name one folder).
struct ProgramPlaces {
    ProgramPlaces() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): one folder for both is the common case
    ProgramPlaces(std::string folder) : dir(folder), scratchpad_dir(std::move(folder)) {}

    std::string dir;             ///< settings files, no trailing "/"
    std::string scratchpad_dir;  ///< the scratchpad file's folder
    std::string note;            ///< to tell the user (run through sudo); may be empty
};

struct ProgramDirFacts {
    std::string executable_dir;
    std::string install_bindir;   ///< where an installed feedrite lives
    std::string override_dir;     ///< --program-dir, may be empty
    std::string xdg_config_home;  ///< $XDG_CONFIG_HOME, may be empty
    std::string xdg_runtime_dir;  ///< $XDG_RUNTIME_DIR, may be empty
    std::string home;             ///< $HOME
    std::string sudo_user;        ///< the user behind sudo when run as root; else empty
    std::string sudo_home;        ///< that user's home folder
    /// Whether the user (the one behind sudo, if any) may write into a folder.
    std::function<bool(const std::string&)> is_writable;
    std::function<bool(const std::string&)> holds_settings;
};

/// The rule, in this order:
///  - --program-dir: settings and scratchpad there;
///  - an installed program (in the install folder or under /usr): settings in
///    the user's $XDG_CONFIG_HOME/feedrite, scratchpad in $XDG_RUNTIME_DIR/feedrite
///    when there is a runtime folder, else beside the settings;
///  - a build-tree or portable copy: beside the executable when the user may
///    write there or settings are already there; else as if installed.
/// Through sudo the folders are those of the user behind sudo (never root's
/// or a system folder), and `note` says which folder is used.
[[nodiscard]] ProgramPlaces choose_program_places(const ProgramDirFacts& facts);

/// choose_program_places with the facts of this machine; creates the folders
/// when they do not exist yet (through sudo, owned by the user behind sudo);
/// of a --program-dir folder only the last, when its parent exists.
[[nodiscard]] ProgramPlaces resolve_program_places(const std::string& override_dir);

/// The settings folder of resolve_program_places.
[[nodiscard]] std::string resolve_program_dir(const std::string& override_dir);

/// True when `dir` holds the editor settings file, a port settings file or the
/// device list.
[[nodiscard]] bool holds_settings_files(const std::string& dir);

}  // namespace feedrite
