// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "base/number_text.h"
#include "core/realtime.h"
#include "tools/option_table.h"

namespace feedrite {

namespace {

std::string set_flag(bool Options::*flag, Options& options) {
    options.*flag = true;
    return {};
}

constexpr int most_history_runs = 100000;

// What is meant as the count, right or wrong ("5", "-1", "99999999999",
// "5x"), as against a text or one of Qt's options.
bool meant_as_count(std::string_view word) {
    const std::size_t at = word.starts_with('-') || word.starts_with('+') ? 1 : 0;
    return word.size() > at && word[at] >= '0' && word[at] <= '9';
}

std::optional<int> history_count(std::string_view text) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const int count = std::atoi(std::string(text).c_str());
    if (count < 1 || count > most_history_runs) return std::nullopt;
    return count;
}

// Our options, one row each.
constexpr OptionRow<Options> own_options[] = {
    {{"--simulate"}, [](Options& o, const auto&) { return set_flag(&Options::simulate, o); }},
    {{"--hold"}, [](Options& o, const auto&) { return set_flag(&Options::hold, o); }},
    {{"--raw-io"}, [](Options& o, const auto&) { return set_flag(&Options::raw_io, o); }},
    // The words of the text are then the file, if any.
    {{"--open"}, [](Options& o, const auto&) { return set_flag(&Options::open, o); }},
    // The words of the text are then the device, if any.
    {{"--pin-test"}, [](Options& o, const auto&) { return set_flag(&Options::pin_test, o); }},
    // The count is optional: only a number after it is taken as one.
    {{"--history", OptionValue::Optional, "a number (N)", meant_as_count},
     [](Options& o, const std::optional<std::string>& count) {
         const auto runs = count ? history_count(*count) : default_history_count;
         o.history = runs.value_or(0);
         return runs ? std::string()
                     : "--history takes a number of runs from 1 to " +
                           std::to_string(most_history_runs) + " (N), not \"" + *count + "\"";
     }},
};
constexpr auto option_table = with_common_rows(own_options);

// Qt's documented options that take the next argument as their value.
constexpr std::string_view toolkit_with_value[] = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
    "-geometry", "-qwindowicon",        "-qwindowtitle",  "-title",  "-session",
    "-style",    "-stylesheet",         "-display",       "-name",   "-qmljsdebugger",
};
constexpr std::string_view toolkit_flags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb",
                                              "-sync"};

template <std::size_t N>
bool listed(const std::string_view (&list)[N], std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

// One platform name of a QT_QPA_PLATFORM list ("xcb", "wayland-egl", "offscreen:...").
bool platform_has_display(std::string_view platform, bool display_option, Environment env) {
    platform = platform.substr(0, platform.find(':'));
    if (platform.empty()) return !env("DISPLAY").empty() || !env("WAYLAND_DISPLAY").empty();
    if (platform == "xcb") return display_option || !env("DISPLAY").empty();
    if (platform.starts_with("wayland")) return !env("WAYLAND_DISPLAY").empty();
    return true;  // offscreen, minimal, vnc, eglfs, linuxfb: no display server needed
}

}  // namespace

Options parse_options(const std::vector<std::string>& args) {
    Options options;
    options.rest = read_options<Options>(option_table, args, options, options.error);
    // With --history the text says nothing: a word there that is no command
    // line is a count mistyped, never to be passed over in silence.
    const std::string text = join_arguments(split_toolkit_options(options.rest).text);
    if (options.error.empty() && options.history > 0 && !text.empty() &&
        read_command_line(text).kind == StartKind::Unsplittable)
        options.error = "--history takes a number (N), not \"" + text + "\"";
    if (options.error.empty() && options.hold && !options.simulate)
        options.error = "--hold holds the virtual control: it goes with --simulate";
    return options;
}

ToolkitSplit split_toolkit_options(const std::vector<std::string>& words) {
    ToolkitSplit split;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::string_view name = std::string_view(word).substr(0, word.find('='));
        if (listed(toolkit_with_value, name)) {
            split.toolkit.push_back(word);
            if (name == word && i + 1 < words.size()) split.toolkit.push_back(words[++i]);
        } else if (listed(toolkit_flags, word)) {
            split.toolkit.push_back(word);
        } else {
            split.text.push_back(word);
        }
    }
    return split;
}

bool display_available(const std::vector<std::string>& toolkit, Environment env) {
    std::string platforms = env("QT_QPA_PLATFORM");
    bool display_option = false;
    for (std::size_t i = 0; i < toolkit.size(); ++i) {
        const std::string& word = toolkit[i];
        const bool next = i + 1 < toolkit.size();
        if (word == "-platform" && next) platforms = toolkit[i + 1];
        if (word.starts_with("-platform=")) platforms = word.substr(10);
        if (word == "-display" || word.starts_with("-display=")) display_option = true;
    }
    // Qt tries the names of a list in turn.
    std::size_t start = 0;
    for (;;) {
        const auto end = platforms.find(';', start);
        const std::string_view name = std::string_view(platforms).substr(start, end - start);
        if (platform_has_display(name, display_option, env)) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::string no_display_message() {
    return "feedrite: no display to show the window on (DISPLAY is not set); "
           "feedrite-tape sends a program without one.\n";
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

std::string caption_for(std::string_view filename, bool simulation) {
    return (simulation ? "Simulation - " : "") + ("Cutwave output of " + std::string(filename)) +
           "  (BTR)";
}

std::string unsplittable_message(std::string_view text) {
    return "feedrite: cannot read the command line \"" + std::string(text) +
           "\".\n"
           "Expected path|device|mode, for example:  feedrite \"part.nc|(default)|1\"\n"
           "(mode 5 sends a binary file), or the single word Configure.\n"
           "Try feedrite --help.\n";
}

std::string empty_start_message() {
    return "feedrite: nothing to send; to open the window: feedrite --open (or feedrite "
           "\"path|device|mode\", feedrite Configure, feedrite --help)\n";
}

std::string usage_text() {
    return "Usage: feedrite [options] path|device|mode\n"
           "  or:  feedrite [options] Configure\n"
           "  or:  feedrite [options] --open [FILE]\n"
           "  or:  feedrite [options] --pin-test [DEVICE]\n"
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
           "                     (the window says \"Simulation\"); offered too where the\n"
           "                     hardware's port cannot be opened\n"
           "  --hold             with --simulate: the virtual control starts in Feed hold,\n"
           "                     so that what comes before the tape (a question, a\n"
           "                     resume) can be tried; Cycle start starts it\n"
           "  --raw-io           reach the port by raw I/O (needs CAP_SYS_RAWIO) instead of\n"
           "                     the kernel's ppdev driver\n"
           "  --open [FILE]      choose the program, the device and the mode in a window,\n"
           "                     then send as path|device|mode would\n"
           "  --pin-test [DEVICE]\n"
           "                     set the device's output lines by hand or one after\n"
           "                     another and watch its run/stop input (DEVICE:\n"
           "                     \"(default)\" when not given); with --simulate on the\n"
           "                     virtual control\n"
           "  --history [N]      print the last N runs (default 20) from the history of\n"
           "                     runs\n" +
           std::string(common_option_help) +
           "\n"
           "Options may stand anywhere on the line; after \"--\" every word is text.\n"
           "Qt's own options (such as -platform offscreen) may follow and are left to Qt.\n"
           "\n"
           "Real-time priority:\n" +
           help_paragraph(realtime_help()) +
           "\n"
           "Exit status:\n"
           "  0  the window was closed or ended in order, or the text was empty\n"
           "  1  the pin test could not open the port\n"
           "  2  usage error, a text that is not path|device|mode, or no display\n"
           "  128+N  ended by signal N after a second one (SIGTERM, SIGINT, SIGHUP)\n";
}

}  // namespace feedrite
