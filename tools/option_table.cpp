// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/option_table.h"

#include <algorithm>

#include "core/window_math.h"

namespace feedrite {
namespace {

std::string value_text(const OptionShape& shape) {
    return shape.value_name.empty() ? std::string("a value") : std::string(shape.value_name);
}

}  // namespace

ArgumentScan scan_arguments(std::span<const OptionShape> shapes,
                            const std::vector<std::string>& args) {
    ArgumentScan scan;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            scan.words.insert(scan.words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              args.end());
            break;
        }
        if (!arg.starts_with("--")) {
            scan.words.push_back(arg);
            continue;
        }
        const auto equals = arg.find('=');
        const std::string_view name = std::string_view(arg).substr(0, equals);
        const auto shape = std::find_if(shapes.begin(), shapes.end(),
                                        [&](const OptionShape& s) { return s.name == name; });
        if (shape == shapes.end()) {
            scan.error = "unknown option " + std::string(name);
            return scan;
        }
        FoundOption found{static_cast<std::size_t>(shape - shapes.begin()), std::nullopt};
        const bool next_free = i + 1 < args.size() && !args[i + 1].starts_with("--");
        if (equals != std::string::npos) {
            if (shape->value == OptionValue::None) {
                scan.error = std::string(name) + " takes no value";
                return scan;
            }
            found.value = arg.substr(equals + 1);
        } else if (shape->value == OptionValue::Required) {
            if (!next_free) {
                scan.error = std::string(name) + " needs " + value_text(*shape);
                return scan;
            }
            found.value = args[++i];
        } else if (shape->value == OptionValue::Optional && next_free && shape->takes_next &&
                   shape->takes_next(args[i + 1])) {
            found.value = args[++i];
        }
        scan.options.push_back(std::move(found));
    }
    return scan;
}

std::string take_program_dir(const std::string& value, std::string& folder) {
    folder = value;
    return value.empty() ? "--program-dir needs a folder (DIR)" : "";
}

std::string help_paragraph(const std::string& text) {
    std::string out = "  ";
    for (const char c : wrap_report_text(text, 77))
        if (c == '\n')
            out += "\n  ";
        else if (c != '\r')
            out += c;
    return out + "\n";
}

}  // namespace feedrite
