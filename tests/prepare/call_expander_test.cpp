// Loading a program with its sub files expanded in place.
#include "prepare/call_expander.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "prepare/sub_file_path.h"
#include "tests/prepare/call_fixture.h"

namespace feedrite {
namespace {

using testing::begin_of;
using testing::end_of;
using testing::Files;
using Lines = std::vector<std::string>;

class CallExpansion : public testing::CallFixture {};

TEST_F(CallExpansion, RepeatedFileCallingAnotherGoesLineByLine) {
    write({{"MAIN", "N5\r\nN10 CALL A (2 TIMES)\r\nN20\r\n"},
           {"A", "a1\r\nCALL B\r\na2\r\n"},
           {"B", "b1\r\n"}});
    const std::pair<std::string, int> expected[] = {
        {"N5", 0}, {begin_of("A "), 1}, {"a1", 1},  {begin_of("B"), 2}, {"b1", 2}, {"", 1},
        {"a2", 1}, {begin_of("A "), 1}, {"a1", 1},  {begin_of("B"), 2}, {"b1", 2}, {"", 1},
        {"a2", 1}, {end_of("A "), 0},   {"N20", 0},
    };
    expander.reset();
    FileError error;
    ASSERT_TRUE(main.open(dir.file("MAIN"), error));
    for (const auto& [line, level] : expected) {
        SCOPED_TRACE(line);
        ASSERT_TRUE(expander.more_lines(main));
        EXPECT_EQ(expander.read_expanded_line(main), line);
        EXPECT_EQ(expander.call_level(), level);
    }
    EXPECT_FALSE(expander.more_lines(main));
    EXPECT_EQ(expander.read_expanded_line(main), "(END OF MAIN PROGRAM)");
    EXPECT_EQ(expander.call_name(1), "A ");
    EXPECT_EQ(expander.call_times(1), 0);
    EXPECT_EQ(expander.open_sub_files(), 0);
    EXPECT_TRUE(module.CALL_expanded);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CallExpansion, ProgramsExpandAsWritten) {
    struct Case {
        const char* name;
        Files files;
        Lines lines;
    };
    const Case cases[] = {
        {"main keyword in any case",
         {{"MAIN", "G0\ncall sub1\nN20"}, {"sub1", "X1"}},
         {"G0", begin_of("SUB1"), "X1", end_of("SUB1"), "N20"}},
        {"sub files take only call and CALL",
         {{"MAIN", "CALL A"}, {"A", "Call B\ncall B\nCALL B"}, {"B", "b"}},
         {begin_of("A"), "Call B", begin_of("B"), "b", "", begin_of("B"), "b", "", end_of("A")}},
        {"not CALLs: word at line end, CALLS; XCALL is",
         {{"MAIN", "N1 CALL\nN2 CALLS X\nN3 XCALL Y\nN4"}, {"Y", "y"}},
         {"N1 CALL", "N2 CALLS X", begin_of("Y"), "y", end_of("Y"), "N4"}},
        {"two blanks before the name",
         {{"MAIN", "CALL  SUB1"}, {"SUB1", "s"}},
         {begin_of("SUB1"), "s", end_of("SUB1")}},
        {"passes without end markers between them",
         {{"MAIN", "N5 G1 CALL SUB1 (3 times) M08\nN6"}, {"SUB1", "s"}},
         {begin_of("SUB1 "), "s", begin_of("SUB1 "), "s", begin_of("SUB1 "), "s", end_of("SUB1 "),
          "N6"}},
        {"counts that make one pass",
         {{"MAIN", "CALL S (3)\nCALL S (TIMES 3)\nCALL S (0 TIMES)"}, {"S", "s"}},
         {begin_of("S "), "s", end_of("S "), begin_of("S "), "s", end_of("S "), begin_of("S "), "s",
          end_of("S ")}},
        {"end-of-program codes dropped in sub files only",
         {{"MAIN", "CALL S\nN9 M30"}, {"S", "N1\nN2 M30\nN3 M300\nN4 M02\nCALL X M30\nN5 m30"}},
         {begin_of("S"), "N1", "N5 m30", end_of("S"), "N9 M30"}},
        {"quote rule",
         {{"MAIN", "\"(MSG)\"\n\"\nCALL Q"}, {"Q", "\"q\"\n\"\"\n\"\n\"ab"}},
         {"(MSG)", "\"", begin_of("Q"), "q", "", "\"", "a", end_of("Q")}},
        {"blanks after the name kept in the marker only",
         {{"MAIN", "CALL Sub   "}, {"Sub", "s"}},
         {begin_of("SUB   "), "s", end_of("SUB   ")}},
        {"Latin-1 name in upper case",
         {{"MAIN", "CALL d\xFCse\xDF"}, {"d\xFCse\xDF", "s"}},
         {begin_of("D\xDCSE\xDF"), "s", end_of("D\xDCSE\xDF")}},
        {"CALL in the main program's last line expands fully",
         {{"MAIN", "N1\nCALL A (2 TIMES)"}, {"A", "a\nCALL B"}, {"B", "b"}},
         {"N1", begin_of("A "), "a", begin_of("B"), "b", "", begin_of("A "), "a", begin_of("B"),
          "b", "", end_of("A ")}},
        {"CR, LF and CR LF line ends",
         {{"MAIN", "N1\rCALL A\rN2\r"}, {"A", "a1\nCALL B\na2\n"}, {"B", "b1\r\nb2\r\n"}},
         {"N1", begin_of("A"), "a1", begin_of("B"), "b1", "b2", "", "a2", end_of("A"), "N2"}},
        {"NUL bytes",
         {{"MAIN", std::string("N1\0X\r\nCALL A\r\n\xFF\0", 16)}, {"A", {"a\0", 2}}},
         {std::string("N1\0X", 4), begin_of("A"), std::string("a\0", 2), end_of("A"),
          std::string("\xFF\0", 2)}},
        {"empty sub file",
         {{"MAIN", "CALL E (2 TIMES)"}, {"E", ""}},
         {begin_of("E "), begin_of("E "), end_of("E ")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.files);
        EXPECT_EQ(load(), c.lines);
        EXPECT_EQ(window.DNC_alarm, 0);
        EXPECT_EQ(expander.open_sub_files(), 0);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CallExpansion, SevenNestedLevelsWork) {
    Lines expected;
    for (int level = 0; level < 7; ++level) {
        const std::string next = "L" + std::to_string(level + 1);
        dir.write(level == 0 ? "MAIN" : "L" + std::to_string(level), "CALL " + next);
        expected.push_back(begin_of(next));
    }
    dir.write("L7", "seven");
    expected.push_back("seven");
    expected.insert(expected.end(), 6, "");
    expected.push_back(end_of("L1"));
    EXPECT_EQ(load(), expected);
    EXPECT_EQ(expander.call_name(7), "L7");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CallExpansion, RelativeNamesAreFoundNextToTheMainProgram) {
    std::filesystem::create_directories(dir.file("progs/sub"));
    std::filesystem::create_directories(dir.file("lib"));
    const std::string main_path =
        dir.write("progs/MAIN", "CALL A\nCALL sub\\B\nCALL " + dir.file("lib") + "\\C");
    write({{"progs/A", "a"}, {"progs/sub/B", "b"}, {"lib/C", "c"}, {"A", "decoy"}});
    CallExpander expander(host, window, module, program_folder(main_path));
    FileError error;
    ASSERT_TRUE(main.open(main_path, error));

    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());  // a decoy A waits in the current folder
    Lines lines;
    while (expander.more_lines(main)) lines.push_back(expander.read_expanded_line(main));
    std::filesystem::current_path(cwd);

    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[1], "a");
    EXPECT_EQ(lines[3], begin_of("SUB\\B"));
    EXPECT_EQ(lines[4], "b");
    EXPECT_EQ(lines[7], "c");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CallExpansion, WithoutCallsLinesComeUnchanged) {
    window.useCALLs = false;
    dir.write("A", "a");
    dir.write("MAIN", "\"q\"\nCALL A\nN9 M30\n");
    EXPECT_EQ(load(), (Lines{"\"q\"", "CALL A", "N9 M30"}));
    EXPECT_EQ(expander.read_expanded_line(main), "(END OF MAIN PROGRAM)");
    EXPECT_FALSE(module.CALL_expanded);
}

TEST_F(CallExpansion, ResetForgetsAnAbandonedLoad) {
    write({{"MAIN", "CALL A (5 TIMES)\nN2"}, {"A", "a\nCALL B"}, {"B", "b"}});
    expander.reset();
    FileError error;
    ASSERT_TRUE(main.open(dir.file("MAIN"), error));
    for (int i = 0; i < 3; ++i) expander.read_expanded_line(main);
    ASSERT_EQ(expander.call_level(), 2);
    window.DNC_alarm = -1;

    expander.reset();
    EXPECT_EQ(expander.call_level(), 0);
    EXPECT_EQ(expander.open_sub_files(), 0);
    EXPECT_EQ(expander.call_name(1), "");
    EXPECT_EQ(expander.call_times(1), 0);
    EXPECT_EQ(window.DNC_alarm, 0);
    EXPECT_TRUE(module.CALL_expanded);
    EXPECT_EQ(expander.read_expanded_line(main), "N2");
}

}  // namespace
}  // namespace feedrite
