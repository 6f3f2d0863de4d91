// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line: our own "--" options wherever they stand, Qt's own
// single-dash options, and the text that says what to do ("Configure",
// empty, or path|device|mode).

#include <string>
#include <string_view>
#include <vector>

#include "tools/option_table.h"

namespace feedrite {

/// --help, --version and --program-dir come from CommonOptions.
struct Options : CommonOptions {
    bool simulate = false;  ///< --simulate: virtual port and virtual control
    bool hold = false;      ///< --hold: with --simulate, the control starts in Feed hold
    bool raw_io = false;    ///< --raw-io: raw port I/O instead of ppdev
    bool open = false;      ///< --open [FILE]: choose program and device in a window
    bool pin_test = false;  ///< --pin-test [DEVICE]: the pin test window on the device's port
    int history = 0;        ///< --history [N]: print the last N runs (0 = not asked)
    std::vector<std::string> rest;  ///< every word that is not one of our options, in order
    std::string error;              ///< a usage error; empty when the options are fine
};

/// Runs that --history prints when no number follows it.
inline constexpr int default_history_count = 20;

/// Reads the options from args (without the program name), wherever they
/// stand; after a lone "--" everything is a word.
[[nodiscard]] Options parse_options(const std::vector<std::string>& args);

/// The words split into Qt's own options (-platform NAME, -style=S, -reverse,
/// ...) and the words of the text.
struct ToolkitSplit {
    std::vector<std::string> toolkit;
    std::vector<std::string> text;
};
[[nodiscard]] ToolkitSplit split_toolkit_options(const std::vector<std::string>& words);

/// Whether a window can be shown: the platform chosen by -platform or
/// QT_QPA_PLATFORM, and for X11 or Wayland the display it needs. `env` reads
/// an environment variable ("" when not set).
using Environment = std::string (*)(const char* name);
[[nodiscard]] bool display_available(const std::vector<std::string>& toolkit, Environment env);

/// The one line for a window that has no display to go to.
[[nodiscard]] std::string no_display_message();

/// The command-line text: the arguments joined with single blanks.
[[nodiscard]] std::string join_arguments(const std::vector<std::string>& args);

enum class StartKind { Configure, Empty, Send, Unsplittable };

struct StartRequest {
    StartKind kind = StartKind::Empty;
    std::string filename;        ///< field 1, unchanged
    std::string IO_device_name;  ///< field 2, blanks kept
    bool Binaryfile = false;     ///< field 3 reads as the number 5
};

/// Splits "path|device|mode" at the first two "|" without trimming; "Configure"
/// (exactly) and the empty text are the two other starts.
[[nodiscard]] StartRequest read_command_line(std::string_view text);

/// The window caption for a program file; on the virtual port it starts
/// with "Simulation", so nobody takes the window for one that drives a machine.
[[nodiscard]] std::string caption_for(std::string_view filename, bool simulation = false);

/// What to tell a user whose command line cannot be split.
[[nodiscard]] std::string unsplittable_message(std::string_view text);

/// What `feedrite` alone says (one line on stderr): how to open the window.
[[nodiscard]] std::string empty_start_message();

/// The --help text.
[[nodiscard]] std::string usage_text();

}  // namespace feedrite
