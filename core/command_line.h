#pragma once
// The command line: our own "--" options first, then the text that says what
// to do ("Configure", empty, or path|device|mode).

#include <string>
#include <string_view>
#include <vector>

namespace feedrite {

struct Options {
    std::string program_dir;  ///< --program-dir; empty = the usual place
    bool simulate = false;    ///< --simulate: virtual port and virtual control
    bool raw_io = false;      ///< --raw-io: raw port I/O instead of ppdev
    bool open = false;        ///< --open [FILE]: choose program and device in a window
    bool help = false;
    bool version = false;
    int history = 0;          ///< --history [N]: print the last N runs (0 = not asked)
    std::vector<std::string> rest;  ///< everything after the options, for Qt and the text
    std::string error;              ///< a usage error; empty when the options are fine
};

/// Runs that --history prints when no number follows it.
inline constexpr int default_history_count = 20;

/// Reads the options from args (without the program name). Options end at the
/// first argument that does not start with "--", or after a lone "--".
[[nodiscard]] Options parse_options(const std::vector<std::string>& args);

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

/// The window caption for a program file.
[[nodiscard]] std::string caption_for(std::string_view filename);

/// What to tell a user whose command line cannot be split.
[[nodiscard]] std::string unsplittable_message(std::string_view text);

/// The --help text.
[[nodiscard]] std::string usage_text();

}  // namespace feedrite
