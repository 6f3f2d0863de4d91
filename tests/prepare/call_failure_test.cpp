// Sub files that cannot be expanded: the user is told once and the load ends
// with every file closed.
#include <gtest/gtest.h>

#include <filesystem>

#include "prepare/call_expander.h"
#include "tests/prepare/call_fixture.h"

namespace feedrite {
namespace {

using testing::begin_of;
using testing::Files;
using Lines = std::vector<std::string>;

constexpr const char* nesting = "You are trying to nest sub-files\nmore that 7 layers deep!";

class CallFailure : public testing::CallFixture {
protected:
    void expect_failure_told(const std::string& text) {
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, text);
        EXPECT_EQ(host.messages[0].title, "Sub file error");
        EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(host.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(host.events, (Lines{"beep", "normal pointer", "message"}));
        EXPECT_EQ(window.DNC_alarm, -1);
        EXPECT_TRUE(module.CALL_expanded);
        EXPECT_EQ(expander.open_sub_files(), 0);
        EXPECT_EQ(expander.call_level(), 0);
        EXPECT_FALSE(main.is_open());
        EXPECT_FALSE(expander.more_lines(main));
    }
};

TEST_F(CallFailure, EachFailureEndsTheLoadWithItsMessage) {
    struct Case {
        const char* name;
        Files files;
        Lines lines;
        std::string message;
    };
    const Case cases[] = {
        {"missing at the first pass",
         {{"MAIN", "N1\nCALL NOPE\nN2"}},
         {"N1", ""},
         "Can't open sub file \nNOPE"},
        {"missing, called from a sub file",
         {{"MAIN", "CALL A\nN2"}, {"A", "a\ncall gone (2 TIMES)"}},
         {begin_of("A"), "a", ""},
         "Can't open sub file \ngone "},
        {"count beyond 16 bits",
         {{"MAIN", "CALL A (40000 TIMES)"}, {"A", "a"}},
         {""},
         "Can't open sub file \nA "},
        {"a folder, not a file", {{"MAIN", "CALL ."}}, {""}, "Can't open sub file \n."},
        {"a file calling itself",
         {{"MAIN", "CALL SELF"}, {"SELF", "s\nCALL SELF"}},
         {begin_of("SELF"), "s", begin_of("SELF"), "s", begin_of("SELF"), "s", begin_of("SELF"),
          "s", begin_of("SELF"), "s", begin_of("SELF"), "s", begin_of("SELF"), "s", ""},
         nesting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.messages.clear();
        host.events.clear();
        write(c.files);
        EXPECT_EQ(load(), c.lines);
        expect_failure_told(c.message);
    }
}

TEST_F(CallFailure, EighthLevelIsRefusedWithEveryFileClosed) {
    for (int level = 0; level < 8; ++level)
        dir.write(level == 0 ? "MAIN" : "L" + std::to_string(level),
                  "N" + std::to_string(level) + "\nCALL L" + std::to_string(level + 1) + "\nafter");
    dir.write("L8", "eight");
    const Lines lines = load();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[13], begin_of("L7"));
    EXPECT_EQ(lines[14], "N7");
    EXPECT_EQ(lines[15], "");
    expect_failure_told(nesting);
}

TEST_F(CallFailure, FileGoneBeforeALaterPass) {
    write({{"MAIN", "CALL A (2 TIMES)\nN2"}, {"A", "a"}});
    expander.reset();
    FileError error;
    ASSERT_TRUE(main.open(dir.file("MAIN"), error));
    EXPECT_EQ(expander.read_expanded_line(main), begin_of("A "));
    EXPECT_EQ(expander.read_expanded_line(main), "a");
    std::filesystem::remove(dir.file("A"));
    EXPECT_EQ(expander.read_expanded_line(main), "");
    expect_failure_told("Can't open sub file \nA ");
    EXPECT_EQ(expander.read_expanded_line(main), "(END OF MAIN PROGRAM)");
}

}  // namespace
}  // namespace feedrite
