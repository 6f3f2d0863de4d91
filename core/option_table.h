#pragma once
// Command-line options of the form --name, --name VALUE and --name=VALUE,
// recognised wherever they stand: a user who adds an option after the text
// must get what the option says, never a part of the text. The words between
// the options are the text. Each tool keeps its options in one table, so a
// new option is one row.

#include <optional>
#include <span>
#include <string>
#include <string_view>
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

/// Takes the folder of --program-dir (the same row in every tool): an empty
/// one, which would quietly mean the current folder, is a usage error.
[[nodiscard]] std::string take_program_dir(const std::string& value, std::string& folder);

}  // namespace feedrite
