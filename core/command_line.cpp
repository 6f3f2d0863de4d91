#include "core/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "config/number_text.h"

namespace feedrite {

Options parse_options(const std::vector<std::string>& args) {
    Options options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) break;
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--history") {
            // The count is optional: only a number after it is taken as one.
            const bool counted = i + 1 < args.size() && !args[i + 1].empty() &&
                                 args[i + 1].find_first_not_of("0123456789") == std::string::npos;
            options.history = counted ? std::max(1, std::atoi(args[++i].c_str())) : default_history_count;
        } else if (arg == "--raw-io") {
            options.raw_io = true;
        } else if (arg == "--open") {
            options.open = true;  // the text after the options is the file, if any
        } else if (arg == "--program-dir" && i + 1 < args.size()) {
            options.program_dir = args[++i];
        } else if (arg.starts_with("--program-dir=")) {
            options.program_dir = arg.substr(std::string_view("--program-dir=").size());
        } else if (arg == "--program-dir") {
            options.error = "--program-dir needs a folder";
        } else {
            options.error = "unknown option " + arg;
        }
        if (!options.error.empty()) return options;
    }
    options.rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return options;
}

std::string join_arguments(const std::vector<std::string>& args) {
    std::string text;
    for (const auto& arg : args) {
        if (!text.empty()) text += ' ';
        text += arg;
    }
    return text;
}

StartRequest read_command_line(std::string_view text) {
    StartRequest request;
    if (text == "Configure") {
        request.kind = StartKind::Configure;
        return request;
    }
    if (text.empty()) return request;
    const auto first = text.find('|');
    const auto second = first == std::string_view::npos ? first : text.find('|', first + 1);
    if (second == std::string_view::npos) {
        request.kind = StartKind::Unsplittable;
        return request;
    }
    request.kind = StartKind::Send;
    request.filename = text.substr(0, first);
    request.IO_device_name = text.substr(first + 1, second - first - 1);
    request.Binaryfile = read_number_or_zero(text.substr(second + 1)) == 5;
    return request;
}

std::string caption_for(std::string_view filename) {
    return "Cutwave output of " + std::string(filename) + "  (BTR)";
}

std::string unsplittable_message(std::string_view text) {
    return "feedrite: cannot read the command line \"" + std::string(text) +
           "\".\n"
           "Expected path|device|mode, for example:  feedrite \"part.nc|(default)|1\"\n"
           "(mode 5 sends a binary file), or the single word Configure.\n"
           "Try feedrite --help.\n";
}

std::string usage_text() {
    return "Usage: feedrite [options] path|device|mode\n"
           "  or:  feedrite [options] Configure\n"
           "  or:  feedrite [options] --open [FILE]\n"
           "\n"
           "Feeds an NC part program to a CNC control through the parallel port, as its\n"
           "tape reader would, in an endless cycle. path is the program file, device the\n"
           "name of a configured BTR device (\"(default)\" for the default one) and mode\n"
           "the transfer mode (5 sends a binary file once). Quote the whole text when the\n"
           "path or the device name holds blanks. With --open, a window asks for the\n"
           "program (FILE, when given, is chosen already), the device and the mode.\n"
           "\n"
           "Options:\n"
           "  --program-dir DIR  keep settings and the scratchpad file in DIR\n"
           "  --simulate         use the virtual port and control instead of the hardware\n"
           "  --raw-io           reach the port by raw I/O (needs CAP_SYS_RAWIO) instead of\n"
           "                     the kernel's ppdev driver\n"
           "  --open [FILE]      choose the program, the device and the mode in a window,\n"
           "                     then send as path|device|mode would\n"
           "  --history [N]      print the last N runs (default 20) from the history of runs\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "Qt's own options (such as -platform offscreen) may follow and are left to Qt.\n";
}

}  // namespace feedrite
