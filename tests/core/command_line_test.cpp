#include "core/command_line.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(CommandLine, ThreeFieldsAreSplitAtTheFirstTwoBars) {
    struct Case {
        const char* text;
        const char* filename;
        const char* device;
        bool binary;
    };
    const Case cases[] = {
        {"/tmp/P.nc|(default)|1", "/tmp/P.nc", "(default)", false},
        {" a b |LATHE 2| 5", " a b ", "LATHE 2", true},  // nothing is trimmed
        {"p|d|5.0", "p", "d", true},
        {"p|d|05x", "p", "d", true},
        {"p|d|  5", "p", "d", true},
        {"p|d|6", "p", "d", false},
        {"p|d|", "p", "d", false},
        {"p|d|x5", "p", "d", false},
        {"||", "", "", false},
        {"p|d|5|7", "p", "d", true},  // a further bar stays in the mode field: 5, binary
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const StartRequest r = read_command_line(c.text);
        ASSERT_EQ(r.kind, StartKind::Send);
        EXPECT_EQ(r.filename, c.filename);
        EXPECT_EQ(r.IO_device_name, c.device);
        EXPECT_EQ(r.Binaryfile, c.binary);
    }
}

TEST(CommandLine, TheOtherStarts) {
    EXPECT_EQ(read_command_line("Configure").kind, StartKind::Configure);
    EXPECT_EQ(read_command_line("").kind, StartKind::Empty);
    EXPECT_EQ(read_command_line("configure").kind, StartKind::Unsplittable);
    EXPECT_EQ(read_command_line("Configure ").kind, StartKind::Unsplittable);
    EXPECT_EQ(read_command_line("part.nc|(default)").kind, StartKind::Unsplittable);
    EXPECT_EQ(read_command_line("part.nc").kind, StartKind::Unsplittable);
}

// Our options count wherever they stand; the other words are the text.
TEST(CommandLine, OptionsAnywhere) {
    struct Case {
        std::vector<std::string> args;
        const char *text, *dir, *error;
    };
    const Case cases[] = {
        {{"--program-dir", "/x", "my", "p|L", "2|1"}, "my p|L 2|1", "/x", ""},
        {{"p|d|1", "--program-dir", "/y"}, "p|d|1", "/y", ""},
        {{"my", "--program-dir=/z", "part|d|1"}, "my part|d|1", "/z", ""},
        {{"--", "--odd|b|1", "--simulate"}, "--odd|b|1 --simulate", "", ""},
        {{"p|d|1", "--simulat"}, "", "", "unknown option --simulat"},
        {{"--program-dir", "--simulate", "p|d|1"}, "", "", "--program-dir needs a folder (DIR)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(join_arguments(c.args));
        const Options o = parse_options(c.args);
        EXPECT_EQ(o.error.empty() ? join_arguments(o.rest) + o.program_dir : o.error,
                  std::string(c.error) + c.text + c.dir);
    }
    EXPECT_TRUE(parse_options({"p|d|1", "--simulate"}).simulate);
    // --history takes a count only when a number follows it, before or after the text.
    EXPECT_EQ(parse_options({"p|d|1", "--history", "5"}).history, 5);
    const Options text_follows = parse_options({"--history", "part.nc|(default)|1"});
    EXPECT_EQ(text_follows.history, default_history_count);
    EXPECT_EQ(text_follows.rest.size(), 1u);
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

}  // namespace
}  // namespace feedrite
