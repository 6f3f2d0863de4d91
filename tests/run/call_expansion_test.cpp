// SPDX-License-Identifier: GPL-3.0-or-later
// CALL statements, where sub files are found, reading program files line by
// line, and loading a program with its sub files expanded in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "run/call_expander.h"
#include "run/call_statement.h"
#include "run/program_file.h"
#include "run/sub_file_path.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using Lines = std::vector<std::string>;

TEST(CallStatement, KeywordRulesDifferForMainProgramAndSubFiles) {
    using At = std::optional<std::size_t>;  // where the keyword starts; {}: no CALL
    const std::tuple<const char*, At, At> cases[] = {
        {"Call a", 0, {}},          {"N1 CALL", {}, {}},     {"XCALL Y", 1, 1},
        {"G1 call A CALL B", 3, 3}, {"Call a CALL b", 0, 7}, {"CALL\tA", {}, {}},
    };
    for (const auto& [line, main, sub] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(find_call(line, CallRule::MainProgram), main);
        EXPECT_EQ(find_call(line, CallRule::SubFile), sub);
    }
}

// The rest of the line after the keyword, cut at 256 characters: the name up
// to "(" with the blanks before it dropped, the count up to ")".
TEST(CallStatement, SplitsNameAndCountWithinTheCallText) {
    const std::string b250(250, 'B'), b300(300, 'B');
    // clang-format off
    const std::tuple<std::string, std::string, std::string> cases[] = {  // line, name, count
        {"CALL  SUB1", "SUB1", ""},                 {"G1 CALL S(3 TIMES) M08", "S", "3 TIMES"},
        {"CALL A (3 TIMES", "A ", "3 TIMES"},       {"CALL ", "", ""},
        {"CALL A) (x)", "A) ", "x"},                {"CALL " + b300, b300.substr(0, 255), ""},
        {"CALL " + b250 + " (3 TIMES)", b250 + " ", "3 T"},
    };
    // clang-format on
    for (const auto& [line, name, count] : cases) {
        SCOPED_TRACE(line);
        const auto statement = split_call(line, *find_call(line, CallRule::MainProgram));
        EXPECT_EQ(statement.name, name);
        EXPECT_EQ(statement.count, count);
    }
}

TEST(CallStatement, PassesFollowTimesRoundedHalvesToEven) {
    // clang-format off
    const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
        {"3 TIMES", 3},         {"3 TIMES ", 1},     {"", 1},             {"TIMES", 1},
        {"0 TIMES", 1},         {"2.5 TIMES", 2},    {"3.5 TiMeS", 4},    {" 1 2 TIMES", 12},
        {"32767 TIMES", 32767}, {"32768 TIMES", {}}, {"1E999 TIMES", {}}, {"-40000 TIMES", {}},
    };
    // clang-format on
    for (const auto& [count, passes] : cases) EXPECT_EQ(call_passes(count), passes) << count;
}

// The edges; a relative name in a sub folder is in the expansion table.
TEST(CallLines, SubFilePathsStartAtTheMainProgramsFolder) {
    EXPECT_EQ(program_folder("/P1.NC"), "/");
    EXPECT_EQ(program_folder("P1.NC"), ".");
    EXPECT_EQ(sub_file_path(" A B  ", "/"), "/ A B");
    EXPECT_EQ(sub_file_path("\\lib\\C", "/nc"), "/lib/C");
}

Lines read_all(const std::string& path) {
    ProgramFile file;
    FileError error;
    EXPECT_TRUE(file.open(path, error)) << error.message;
    Lines lines;
    while (!file.at_end()) lines.push_back(file.read_line());
    return lines;
}

// The last row: 300000 lines after a 2 MB one; serving each line by copying
// what is left would take hours.
TEST(CallProgramFile, EveryLineEndCountsOnceAndBytesPassUnchanged) {
    const std::string long_line(std::size_t{2} << 20, 'X');
    std::string many = long_line + "\r\n";
    for (int i = 0; i < 300'000; ++i) many += "G1 X1\n";
    Lines many_lines(300'002, "G1 X1");
    many_lines.front() = long_line, many_lines.back() = "N9";
    // clang-format off
    const std::tuple<const char*, std::string, Lines> cases[] = {
        {"CR LF, LF, CR and LF CR", "A\r\n\nB\r\r\nC\n\r", {"A", "", "B", "", "C", ""}},
        {"NUL and binary bytes, no break at the end", std::string("G1\0X\xFF\r\n\x01\x80", 9),
         {std::string("G1\0X\xFF", 5), "\x01\x80"}},
        {"long lines and many lines", many + "N9", many_lines},
    };
    // clang-format on
    testing::TempDir dir;
    for (const auto& [name, bytes, lines] : cases)
        EXPECT_TRUE(read_all(dir.write("f", bytes)) == lines) << name;
}

using Files = std::vector<std::pair<std::string, std::string>>;

const auto begin_of = [](const std::string& name) {
    return "(BEGINNING OF SUB FILE " + name + ")";
};
const auto end_of = [](const std::string& name) { return "(END OF SUB FILE " + name + ")"; };

// Notes what the user had noticed when a message came up.
struct NoticingHost : testing::ScriptedHost {
    NoticingHost() { wait_pointer = true; }  // as while the driver loads
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override {
        before_message = {beeps, wait_pointer};
        return ScriptedHost::message_box(text, title, icon, buttons);
    }
    std::pair<int, bool> before_message;
};

class CallExpansion : public ::testing::Test {
  protected:
    void write(const Files& files) {
        for (const auto& [name, bytes] : files) {
            std::filesystem::create_directories(
                std::filesystem::path(dir.file(name)).parent_path());
            dir.write(name, bytes);
        }
    }
    void open_main() {
        expander.reset();
        FileError error;
        EXPECT_TRUE(main.open(dir.file("MAIN"), error)) << error.message;
    }
    // Loads MAIN as the send driver does; stops at an alarm, and at a runaway
    // expansion so that a hang shows up as a failure.
    Lines load() {
        open_main();
        Lines lines;
        while (expander.more_lines(main) && window.DNC_alarm == 0 && lines.size() <= 10'000)
            lines.push_back(expander.read_expanded_line(main));
        EXPECT_LE(lines.size(), 10'000u) << "the expansion does not end";
        return lines;
    }
    // The user was told once (a file that failed is named on a line of its
    // own), and the load ended with every file closed.
    void expect_failure_told(const std::string& text) {
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].title, "Sub file error");
        EXPECT_EQ(host.messages[0].text.substr(0, text.size()), text);
        EXPECT_EQ(expander.failure(), host.messages[0].text);
        EXPECT_EQ(host.before_message, std::make_pair(1, false));  // a beep, the normal pointer
        EXPECT_EQ(window.DNC_alarm, -1);
        EXPECT_TRUE(module.CALL_expanded);
        EXPECT_TRUE(expander.open_sub_files() == 0 && expander.call_level() == 0);
        EXPECT_FALSE(main.is_open() || expander.more_lines(main));
    }

    testing::TempDir dir;  // MAIN's folder; the current folder is elsewhere
    NoticingHost host;
    WindowState window;
    ModuleState module;
    CallExpander expander{host, window, module, dir.path()};
    ProgramFile main;
};

// Each program loads as shown, or the load ends with the message given. The
// rows share one expander: each load starts afresh after a failed one.
TEST_F(CallExpansion, ProgramsLoadAsWrittenOrFailWithTheirMessage) {
    struct Case {
        const char* name;
        Files files;
        Lines lines;
        std::string failure;  // the message; empty when the load succeeds
        bool calls = true;
    };
    const std::string self = begin_of("SELF");
    // clang-format off
    const Case cases[] = {
        {"the main program takes the keyword in any case, sub files only call and CALL",
         {{"MAIN", "Call A"}, {"A", "Call B\ncall B\nCALL B"}, {"B", "b"}},
         {begin_of("A"), "Call B", begin_of("B"), "b", "", begin_of("B"), "b", "", end_of("A")},
         ""},
        {"end-of-program codes dropped in sub files only",
         {{"MAIN", "CALL S\nN9 M30"}, {"S", "N1\nN2 M30\nN3 M300\nN4 M02\nCALL X M30\nN5 m30"}},
         {begin_of("S"), "N1", "N5 m30", end_of("S"), "N9 M30"}, ""},
        {"quote rule", {{"MAIN", "\"(MSG)\"\n\"\nCALL Q"}, {"Q", "\"q\"\n\"\"\n\"\n\"ab"}},
         {"(MSG)", "\"", begin_of("Q"), "q", "", "\"", "a", end_of("Q")}, ""},
        {"markers: the name in Latin-1 upper case, blanks after it kept; relative names start "
         "at the main program's folder",
         {{"MAIN", "CALL sub\\d\xFCse\xDF  "}, {"sub/d\xFCse\xDF", "s"}},
         {begin_of("SUB\\D\xDCSE\xDF  "), "s", end_of("SUB\\D\xDCSE\xDF  ")}, ""},
        {"empty sub file", {{"MAIN", "CALL E (2 TIMES)"}, {"E", ""}},
         {begin_of("E "), begin_of("E "), end_of("E ")}, ""},
        {"missing at the first pass", {{"MAIN", "N1\nCALL NOPE\nN2"}}, {"N1", ""},
         "Can't open sub file \nNOPE"},
        {"missing, called from a sub file",
         {{"MAIN", "CALL A\nN2"}, {"A", "a\ncall gone (2 TIMES)"}}, {begin_of("A"), "a", ""},
         "Can't open sub file \ngone "},
        {"count beyond 16 bits", {{"MAIN", "CALL A (&H8000 TIMES)"}, {"A", "a"}}, {""},
         "The repeat count of\nCALL A (&H8000 TIMES)\nis no number of passes from 1 to 32767."},
        {"count cut at the statement's 256 characters",
         {{"MAIN", "N1\nCALL A (&H" + std::string(255, 'F') + " TIMES)"}, {"A", "a"}}, {"N1", ""},
         "The repeat count of\nCALL A (&H" + std::string(250, 'F') + ")\nis no"},
        {"a file calling itself goes seven levels deep, not eight",
         {{"MAIN", "CALL SELF"}, {"SELF", "s\nCALL SELF"}},
         {self, "s", self, "s", self, "s", self, "s", self, "s", self, "s", self, "s", ""},
         "You are trying to nest sub-files\nmore that 7 layers deep!"},
        {"without CALLs lines come unchanged", {{"A", "a"}, {"MAIN", "\"q\"\nCALL A\nN9 M30\n"}},
         {"\"q\"", "CALL A", "N9 M30"}, "", false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.messages.clear(), host.beeps = 0, host.wait_pointer = true;
        module.CALL_expanded = false;
        window.useCALLs = c.calls;
        write(c.files);
        EXPECT_EQ(load(), c.lines);
        if (!c.failure.empty()) {
            expect_failure_told(c.failure);
            continue;
        }
        EXPECT_EQ(expander.read_expanded_line(main), "(END OF MAIN PROGRAM)");
        EXPECT_TRUE(window.DNC_alarm == 0 && expander.open_sub_files() == 0);
        EXPECT_EQ(module.CALL_expanded, c.calls);
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(CallExpansion, FileGoneBeforeALaterPass) {
    write({{"MAIN", "CALL A (2 TIMES)\nN2"}, {"A", "a"}});
    open_main();
    EXPECT_EQ(expander.read_expanded_line(main), begin_of("A "));
    EXPECT_EQ(expander.read_expanded_line(main), "a");
    std::filesystem::remove(dir.file("A"));
    EXPECT_EQ(expander.read_expanded_line(main), "");
    expect_failure_told("Can't open sub file \nA \n" + dir.file("A") +
                        ": No such file or directory");
}

// Each pass opens and reads its file again: a load that asks for too many
// passes or too many bytes ends, M30 lines that add nothing counted too.
TEST_F(CallExpansion, PassesOrBytesBeyondTheBudgetEndTheLoad) {
    write({{"MAIN", "CALL A (3 TIMES)"}, {"A", "CALL E (2 TIMES)"}, {"E", "M30\nM30"}});
    const std::string call = " with\nCALL A (3 TIMES)\nCheck the repeat counts.";
    const std::tuple<std::int64_t, std::int64_t, std::string> cases[] = {
        {9, 90, ""},  // A three times and E six: 9 passes, 90 bytes
        {8, 90, "The program opens sub files more than 8 times" + call},
        {9, 89, "The program reads more than 89 bytes from sub files" + call}};
    for (const auto& [passes, bytes, failure] : cases) {
        window.DNC_alarm = 0;
        CallExpander limited(host, window, module, dir.path(), {passes, bytes});
        open_main();
        while (limited.more_lines(main) && window.DNC_alarm == 0) limited.read_expanded_line(main);
        EXPECT_EQ(limited.failure(), failure);
    }
}

}  // namespace
}  // namespace feedrite
