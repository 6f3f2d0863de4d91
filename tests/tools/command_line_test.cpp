// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/display_text.h"
#include "base/line_ends.h"
#include "core/console_host.h"
#include "core/window_math.h"

namespace feedrite {
namespace {

TEST(CommandLine, ThreeFieldsAreSplitAtTheFirstTwoBars) {
    // text, file name, device, binary; nothing is trimmed, a further bar stays in the mode field
    // clang-format off
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"/tmp/P.nc|(default)|1", "/tmp/P.nc", "(default)", false},
        {" a b |LATHE 2| 5", " a b ", "LATHE 2", true},
        {"p|d|5.0", "p", "d", true}, {"p|d|05x", "p", "d", true}, {"p|d|  5", "p", "d", true},
        {"p|d|6", "p", "d", false},  {"p|d|", "p", "d", false},   {"p|d|x5", "p", "d", false},
        {"||", "", "", false},       {"p|d|5|7", "p", "d", true}};
    // clang-format on
    for (const auto& [text, filename, device, binary] : cases) {
        SCOPED_TRACE(text);
        const StartRequest r = read_command_line(text);
        ASSERT_EQ(r.kind, StartKind::Send);
        EXPECT_EQ(r.filename + "|" + r.IO_device_name, std::string(filename) + "|" + device);
        EXPECT_EQ(r.Binaryfile, binary);
    }
    EXPECT_EQ(read_command_line("Configure").kind, StartKind::Configure);
    EXPECT_EQ(read_command_line("").kind, StartKind::Empty);
    for (const char* text : {"configure", "Configure ", "part.nc|(default)", "part.nc"})
        EXPECT_EQ(read_command_line(text).kind, StartKind::Unsplittable) << text;
}

// Our options count wherever they stand; the other words are the text.
TEST(CommandLine, OptionsAnywhere) {
    // the arguments, the text and the folder left, or the error
    const std::tuple<std::vector<std::string>, const char*, const char*, const char*> cases[] = {
        {{"--program-dir", "/x", "my", "p|L", "2|1"}, "my p|L 2|1", "/x", ""},
        {{"p|d|1", "--program-dir", "/y"}, "p|d|1", "/y", ""},
        {{"my", "--program-dir=/z", "part|d|1"}, "my part|d|1", "/z", ""},
        {{"--", "--odd|b|1", "--simulate"}, "--odd|b|1 --simulate", "", ""},
        {{"p|d|1", "--simulat"}, "", "", "unknown option --simulat"},
        {{"--program-dir", "--simulate", "p|d|1"}, "", "", "--program-dir needs a folder (DIR)"},
        {{"p|d|1", "--hold", "--simulate"}, "p|d|1", "", ""},
        {{"p|d|1", "--hold"}, "", "", "--hold holds the virtual control: it goes with --simulate"}};
    for (const auto& [args, text, dir, error] : cases) {
        SCOPED_TRACE(join_arguments(args));
        const Options o = parse_options(args);
        EXPECT_EQ(o.error.empty() ? join_arguments(o.rest) + o.program_dir : o.error,
                  std::string(error) + text + dir);
    }
    EXPECT_TRUE(parse_options({"p|d|1", "--simulate"}).simulate);
    // --history takes a count only when a number follows it, before or after the text.
    EXPECT_EQ(parse_options({"p|d|1", "--history", "5"}).history, 5);
    const Options text_follows = parse_options({"--history", "part.nc|(default)|1"});
    EXPECT_EQ(text_follows.history, default_history_count);
    EXPECT_EQ(text_follows.rest.size(), 1u);
    // A count that is no number of runs, where one was meant, is refused.
    for (const char* bad : {"abc", "-1", "0", "99999999999", "5x", "100001"}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(parse_options({"--history", bad}).error.starts_with("--history takes a"));
    }
    EXPECT_EQ(parse_options({"--history", "100000", "-platform", "xcb"}).history, 100000);
}

// The desktop entry's commands, with a file for %f: the main one opens the
// chooser, its action does so on the Virtual control.
TEST(CommandLine, TheDesktopEntryStartsWhatItSays) {
    std::ifstream entry(FEEDRITE_TEST_DATA_DIR "/../../packaging/feedrite.desktop");
    std::vector<Options> starts;
    for (std::string line; std::getline(entry, line);) {
        if (!line.starts_with("Exec=feedrite ")) continue;
        std::istringstream words(line.substr(14));
        std::vector<std::string> args;
        for (std::string word; words >> word;) args.push_back(word == "%f" ? "part.nc" : word);
        starts.push_back(parse_options(args));
        EXPECT_EQ(starts.back().error + join_arguments(starts.back().rest), "part.nc") << line;
    }
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_TRUE(starts[0].open && !starts[0].simulate);
    EXPECT_TRUE(starts[1].open && starts[1].simulate);
}

TEST(CommandLine, QtOptionsAndTheDisplay) {
    const ToolkitSplit split =
        split_toolkit_options({"-platform", "xcb", "my", "-reverse", "p|d|1"});
    EXPECT_EQ(join_arguments(split.toolkit) + "/" + join_arguments(split.text),
              "-platform xcb -reverse/my p|d|1");
    static std::string platform, display;  // QT_QPA_PLATFORM, DISPLAY
    const Environment env = [](const char* name) {
        return name[0] == 'Q' ? platform : name[0] == 'D' ? display : "";
    };
    EXPECT_FALSE(display_available({}, env));
    EXPECT_TRUE(display_available({"-platform", "offscreen"}, env));
    platform = "offscreen";
    EXPECT_FALSE(display_available({"-platform", "xcb"}, env));  // the option wins
    platform = "wayland;xcb", display = ":0";                    // Qt tries each in turn
    EXPECT_TRUE(display_available({}, env));
}

// What saving gives for a loaded view (the save tests cover the plain styles).
TEST(LineEnds, StyleAndEnding) {
    const auto saved = [](const char* file, const char* view) {
        return with_line_ends(view, line_ends_of(file));
    };
    EXPECT_EQ(saved("N1\n\n\n", "N1\r\n"), "N1\n\n\n");                    // empty lines at the end
    EXPECT_EQ(saved("N1\nN2\nN3\r\n", "A\r\nB\r\nC\r\n"), "A\nB\nC\r\n");  // most lines LF
    EXPECT_EQ(saved("N1\nN2\r\n", "A\r\nB\r\n"), "A\r\nB\r\n");            // a tie goes to CR LF
    EXPECT_EQ(saved("N1\nN2\n", "N1\r\nN2"), "N1\nN2");  // a final break deleted stays deleted
    EXPECT_EQ(saved("", "\r\n"), "");
}

TEST(DisplayText, FileNamesInUtf8AreToldFromLatin1) {
    for (const char* utf8 : {"/home/d\xC3\xA9placement/p.nc", "\xE2\x82\xAC \xF0\x9F\x98\x80"})
        EXPECT_TRUE(reads_as_utf8(utf8)) << utf8;
    // ASCII, Latin-1, cut short, overlong "/", a surrogate
    for (const char* other : {"ASCII", "d\xE9p", "\xC3", "\xC0\xAF", "\xED\xA0\x80"})
        EXPECT_FALSE(reads_as_utf8(other)) << other;
    EXPECT_EQ(latin1_for_view("/d\xC3\xA9p \xE2\x82\xAC"), "/d\xE9p ?");  // the view is Latin-1
}

// The main window and the Virtual control never cover each other.
TEST(WindowMath, SideBySide) {
    const auto placed = [](Box area) { return side_by_side(area, 900, 650, 640, 16, 420); };
    // Both fit: centred; then the control gives way, then the main window.
    EXPECT_EQ(placed({100, 30, 1920, 1000}).control, (Box{1198, 205, 640, 650}));
    EXPECT_EQ(placed({0, 0, 1366, 700}).control, (Box{916, 25, 450, 650}));
    EXPECT_EQ(placed({0, 0, 1024, 700}).main, (Box{0, 25, 588, 650}));
    EXPECT_EQ(placed({0, 0, 1024, 700}).control, (Box{604, 25, 420, 650}));
}

// One line on the error stream, titled "Feedrite" when untitled; answered with
// the first button.
TEST(ConsoleHost, MessagesAreOneLineAndAnsweredWithTheFirstButton) {
    std::ostringstream errors;
    ConsoleHost host(errors);
    EXPECT_EQ(host.message_box("Save?\nNow.", "", MessageIcon::None, MessageButtons::YesNoCancel),
              MessageAnswer::Yes);
    EXPECT_EQ(host.message_box("Go?", "Q", MessageIcon::None, MessageButtons::OkCancel),
              MessageAnswer::Ok);
    EXPECT_EQ(errors.str(), "Feedrite: Save? / Now.\nQ: Go?\n");
}

}  // namespace
}  // namespace feedrite

namespace feedrite {
namespace {

// A report breaks after a blank, else after a "/", else at the width.
TEST(WrapReportText, BreaksAtBlanksThenSlashes) {
    EXPECT_EQ(wrap_report_text("short\r\n\r\nlines", 10), "short\r\n\r\nlines");
    EXPECT_EQ(wrap_report_text("one two three", 8), "one two\r\nthree");
    EXPECT_EQ(wrap_report_text("/abc/defgh/ij", 6), "/abc/\r\ndefgh/\r\nij");
    EXPECT_EQ(wrap_report_text("abcdefgh", 3), "abc\r\ndef\r\ngh");
    EXPECT_EQ(wrap_report_text("ends\r\n", 10), "ends\r\n");
}

}  // namespace
}  // namespace feedrite
