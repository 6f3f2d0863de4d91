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

TEST(CommandLine, UnsplittableMessageShowsTheExpectedForm) {
    const std::string message = unsplittable_message("part.nc");
    EXPECT_NE(message.find("part.nc"), std::string::npos);
    EXPECT_NE(message.find("path|device|mode"), std::string::npos);
}

TEST(CommandLine, Caption) {
    EXPECT_EQ(caption_for("/tmp/P.nc"), "Cutwave output of /tmp/P.nc  (BTR)");
}

TEST(CommandLine, OptionsComeFirstAndTheRestIsJoinedWithSingleBlanks) {
    const Options o =
        parse_options({"--program-dir", "/x", "--simulate", "my", "part.nc|LATHE", "2|1"});
    EXPECT_TRUE(o.error.empty());
    EXPECT_EQ(o.program_dir, "/x");
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(join_arguments(o.rest), "my part.nc|LATHE 2|1");

    // After the text starts, "--" words belong to it.
    EXPECT_EQ(join_arguments(parse_options({"a|b|1", "--help"}).rest), "a|b|1 --help");
    EXPECT_EQ(join_arguments(parse_options({"--", "--odd|b|1"}).rest), "--odd|b|1");
    EXPECT_EQ(parse_options({"--program-dir=/y"}).program_dir, "/y");
    EXPECT_TRUE(parse_options({"--raw-io"}).raw_io);
    EXPECT_TRUE(parse_options({"--version"}).version);
    // --history takes a count only when a number follows it.
    EXPECT_EQ(parse_options({"--history", "5"}).history, 5);
    EXPECT_EQ(parse_options({"--history"}).history, default_history_count);
    const Options text_follows = parse_options({"--history", "part.nc|(default)|1"});
    EXPECT_EQ(text_follows.history, default_history_count);
    EXPECT_EQ(text_follows.rest.size(), 1u);
}

TEST(CommandLine, OptionErrors) {
    EXPECT_EQ(parse_options({"--bogus", "a|b|1"}).error, "unknown option --bogus");
    EXPECT_FALSE(parse_options({"--program-dir"}).error.empty());
}

}  // namespace
}  // namespace feedrite
