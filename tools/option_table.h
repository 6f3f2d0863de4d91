// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line options of the form --name, --name VALUE and --name=VALUE,
// recognised wherever they stand: a user who adds an option after the text
// must get what the option says, never a part of the text. The words between
// the options are the text. Each tool keeps its options in one table, so a
// new option is one row.

#include <array>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace feedrite {

enum class OptionValue { None, Required, Optional };

struct OptionShape {
    constexpr OptionShape(std::string_view name_, OptionValue value_ = OptionValue::None,
                          std::string_view value_name_ = {},
                          bool (*takes_next_)(std::string_view) = nullptr)
        : name(name_), value(value_), value_name(value_name_), takes_next(takes_next_) {}

    std::string_view name;  ///< with its dashes: "--program-dir"
    OptionValue value;
    std::string_view value_name;  ///< for messages: "a folder (DIR)"
    /// For an Optional value: whether the next argument is the value (never
    /// when it starts with "--"); without it only --name=VALUE gives one.
    bool (*takes_next)(std::string_view next);
};

struct FoundOption {
    std::size_t shape;                 ///< index into the table
    std::optional<std::string> value;  ///< as given; none for a flag
};

struct ArgumentScan {
    std::vector<FoundOption> options;  ///< in the order given
    std::vector<std::string> words;    ///< everything else, in order
    std::string error;                 ///< a usage error; empty when fine
};

/// Sorts `args` into options and words. A lone "--" makes every later
/// argument a word; an unknown "--word" is a usage error wherever it stands.
[[nodiscard]] ArgumentScan scan_arguments(std::span<const OptionShape> shapes,
                                          const std::vector<std::string>& args);

/// One row of a tool's option table: the shape and what it does to the tool's
/// options record. `apply` returns a usage error, or "" when the value is fine.
template <class Target>
struct OptionRow {
    OptionShape shape;
    std::string (*apply)(Target& target, const std::optional<std::string>& value);
};

/// Scans `args` with `table` and applies every option found to `target`, in
/// order. Returns the words; `error` gets the first usage error.
template <class Target>
std::vector<std::string> read_options(std::span<const OptionRow<Target>> table,
                                      const std::vector<std::string>& args, Target& target,
                                      std::string& error) {
    std::vector<OptionShape> shapes;
    for (const auto& row : table) shapes.push_back(row.shape);
    ArgumentScan scan = scan_arguments(shapes, args);
    error = scan.error;
    for (const FoundOption& found : scan.options) {
        if (!error.empty()) break;
        error = table[found.shape].apply(target, found.value);
    }
    return std::move(scan.words);
}

/// Takes the folder of --program-dir: an empty one, which would quietly mean
/// the current folder, is a usage error.
[[nodiscard]] std::string take_program_dir(const std::string& value, std::string& folder);

/// What the options of every program hold: --help, --version, --program-dir.
struct CommonOptions {
    std::string program_dir;  ///< --program-dir; empty = the usual place
    bool help = false;
    bool version = false;
};

/// The --help lines of --help and --version, the same in every program.
/// `text` as a paragraph of a --help text: broken after blanks to fit 79
/// columns with an indent of two, each line ended by LF.
[[nodiscard]] std::string help_paragraph(const std::string& text);

inline constexpr std::string_view common_option_help =
    "  --help             show this text\n"
    "  --version          show the version\n";

/// The rows of CommonOptions, for a `Target` that derives from it.
template <class Target>
inline constexpr OptionRow<Target> common_option_rows[] = {
    {{"--help"},
     [](Target& o, const std::optional<std::string>&) {
         o.help = true;
         return std::string();
     }},
    {{"--version"},
     [](Target& o, const std::optional<std::string>&) {
         o.version = true;
         return std::string();
     }},
    {{"--program-dir", OptionValue::Required, "a folder (DIR)"},
     [](Target& o, const std::optional<std::string>& dir) {
         return take_program_dir(*dir, o.program_dir);
     }},
};

template <class Target, std::size_t N, std::size_t... I>
constexpr std::array<OptionRow<Target>, sizeof...(I)> joined_rows(const OptionRow<Target> (&own)[N],
                                                                  std::index_sequence<I...>) {
    constexpr std::size_t common = std::size(common_option_rows<Target>);
    // Both arms are compiled for every I, so both index in range.
    return {(I < common ? common_option_rows<Target>[I < common ? I : 0]
                        : own[I < common ? 0 : I - common])...};
}

/// A program's whole table: the common rows, then its own.
template <class Target, std::size_t N>
constexpr auto with_common_rows(const OptionRow<Target> (&own)[N]) {
    return joined_rows(own, std::make_index_sequence<std::size(common_option_rows<Target>) + N>());
}

}  // namespace feedrite
