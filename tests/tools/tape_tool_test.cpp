// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tape_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "base/file_io.h"
#include "run/send_driver.h"
#include "tests/support/device_settings.h"
#include "tests/support/temp_dir.h"
#include "tools/command_line.h"
#include "tools/config_tool.h"

namespace feedrite {
namespace {

struct TapeRun {
    int status;
    std::string out, errors;
};

class TapeToolTest : public ::testing::Test {
  protected:
    // Writes the device's settings file. The options go after the text: they
    // still count as options.
    TapeRun tape(std::vector<std::string> options, const std::string& text) {
        device.write(dir.path());
        std::vector<std::string> args{"--program-dir", dir.path(), text};
        args.insert(args.end(), options.begin(), options.end());
        std::ostringstream out, errors;
        const int status = run_tape(args, out, errors);
        return {status, out.str(), errors.str()};
    }
    std::string program(const std::string& content) {
        dir.write("part.nc", content);
        return dir.file("part.nc") + "|(default)|1";
    }

    testing::TempDir dir;
    testing::DeviceSettings device;
};

// The data register's values, idle ones left out: leader "%LF", the block
// "C1", the empty block, the trailer, in EIA (LF 0x80, '%' 0x0B, 'C' 0x73,
// '1' 0x01) on negative data lines. Each code set and polarity is tested in
// the btr tests; here, that the device's settings reach the output.
TEST_F(TapeToolTest, RawBytesAreTheDataRegisterValues) {
    device.code = 3, device.eob = 0, device.data = false;
    EXPECT_EQ(tape({}, program("C1\r\n")).out, "\xF4\x7F\x8C\xFE\x7F\x7F\xF4");
}

// Start-up (idle data, sprocket inactive), the wait for the first run, then
// the first character; its whole register sequence is in the btr tests.
TEST_F(TapeToolTest, TraceListsEveryPortEvent) {
    const std::string start =
        "open 888 3\nwrite 0 00\nread 2 cc\nwrite 2 c8\nread 1 7f\n"
        "read 1 7f\nwrite 0 a5\ndelay 10\n";
    EXPECT_EQ(tape({"--trace"}, program("A\r\n")).out.substr(0, start.size()), start);
}

// Every run ends cleanly with its exit status and leaves no scratchpad behind.
TEST_F(TapeToolTest, ExitStatusesAndMessages) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string command, program;  // "@" in the command: the folder
        int status;
        std::string out;     // "?": not checked
        std::string errors;  // the whole text, or a part of it when `part`
        bool part;
    };
    const std::string not_configured =
        "BTR port error: BTR port has not been configured. / Use BTR/Configure selection to "
        "define a port. / Device: MILL";
    const std::string usage = "Usage: feedrite-tape";
    const std::string part = "@/part.nc|(default)|1";
    const std::string resumed = "G21 G90 G00 X1. Y2.\r\nG01 Z-1. F100.\r\nX5.\r\nM30\r\n";
    const std::string long_line = "N1 X" + std::string(2'000'000, '1') + "\r\nM30\r\n";
    // clang-format off
    const Case cases[] = {
        {"missing file", {}, "@/missing.nc|(default)|1", "", 1, "?",
         "Disk write error: Cannot access file / @/scratchpad data 5b / @/missing.nc: No such "
         "file or directory\n", false},
        {"unknown device", {}, "@/part.nc|MILL|1", "N1\r\n", 2, "?", not_configured, true},
        {"--cycles 0", {"--cycles", "0"}, part, "N1\r\n", 2, "?", usage, true},
        {"--cycles x", {"--cycles", "x"}, part, "N1\r\n", 2, "?", usage, true},
        {"--trace --text", {"--trace", "--text"}, part, "N1\r\n", 2, "?", usage, true},
        {"--program-dir \"\"", {"--program-dir", ""}, part, "N1\r\n", 2, "?",
         "--program-dir needs a folder", true},
        {"--from-line on a binary file", {"--from-line", "1"}, "@/part.nc|(default)|5", "N1\r\n",
         2, "", "--from-line needs a text program", true},
        {"--from-line past the end", {"--from-line", "2"}, part, "N1\r\n", 2, "",
         "feedrite-tape: line 2 is outside the program (lines 1 to 1)\n", false},
        {"no separators", {}, "no separators", "", 2, "", "expected path|device|mode", true},
        {"a file that calls itself", {"--text"}, part, "CALL SELF\r\n", 1, "",
         "Sub file error: You are trying to nest sub-files / more that 7 layers deep!\n", false},
        {"an empty file", {"--text"}, part, "", 0, "%\n\r\n\r\n%", "", false},
        {"--timed", {"--timed", "--text"}, part, "N1\r\n", 0, "%\nN1\r\n\r\n%", "", false},
        {"NUL bytes", {"--text"}, part, std::string(1000, '\0'), 0, "?", "", false},
        {"three cycles", {"--text", "--cycles", "3"}, part, "N1 M30\r\n", 0,
         "%\nN1 M30\r\n%\nN1 M30\r\n%\nN1 M30\r\n", "", false},
        // Leader, the preamble as proposed, the program from the line; the next
        // cycle from the top. The doubts go to stderr.
        {"from line 3", {"--text", "--cycles", "2", "--from-line", "3"}, part, resumed, 0,
         "%\nG21\r\nG40 G80\r\nM05\r\nM09\r\nG90 G01 F100.\r\nX5.\r\nM30\r\n%\n" + resumed,
         "Resume: no approach move: the program has no retract", true},
        // A refused line sends nothing and names the program's own restart points.
        {"from a refused line", {"--text", "--from-line", "7"}, part,
         "G21 G90 G54\r\nG91 G28 Z0\r\nT1 M06\r\nG90 G00 X0 Y0 S900 M03\r\nG01 Z-1. F80.\r\nM98 P1\r\nX5.\r\n", 2, "",
         "Resume: Refused: what line 7 does is not known: line 6: call of a program not followed (M98P1).\n"
         "Resume: Safe restart points: line 1 (before)\n", true},
        {"a long line goes whole", {"--text"}, part, long_line, 0, "%\n" + long_line, "", false},
    };
    // clang-format on
    dir.write("SELF", "N1\r\ncall SELF\r\n");
    const auto in_dir = [&](std::string text) {
        for (auto at = text.find('@'); at != text.npos; at = text.find('@'))
            text.replace(at, 1, dir.path());
        return text;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dir.write("part.nc", c.program);
        const TapeRun run = tape(c.options, in_dir(c.command));
        EXPECT_EQ(run.status, c.status);
        if (c.out != "?") {
            EXPECT_EQ(run.out, c.out);
        }
        if (c.part) {
            EXPECT_NE(run.errors.find(c.errors), std::string::npos) << run.errors;
        } else {
            EXPECT_EQ(run.errors, in_dir(c.errors));
        }
        EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
    }
}

// Line 23 empties the format string only when it holds 0; 1, or a hand-edited 2, keeps it, so X1.5
// goes as X15 under "X1".
TEST_F(TapeToolTest, Line23EmptiesTheFormatOnlyWhenZero) {
    device.format = "X1";
    for (const auto& [line23, sent] : {std::pair{0, "X1.5"}, {1, "X15"}, {2, "X15"}}) {
        SCOPED_TRACE(line23);
        device.auto_format = line23;
        const TapeRun run = tape({"--text"}, program("X1.5\r\n"));
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.out, std::string("%\n") + sent + "\r\n\r\n%");
    }
}

// The sample programs of tests/data/e2e, against outputs worked out by hand
// from the rules, not produced by the tool; the same with the delays spun
// and timed as without.
TEST(SamplePrograms, ControlReadsTheHandCheckedOutput) {
    struct Case {
        const char *folder, *program, *mode, *output;  // output: "--text", or "" for raw bytes
        bool two_percent;  // leader "%LF" and the program's own "%" line: the note on stderr
    };
    const Case cases[] = {
        {"mill-iso", "face.nc", "1", "--text", true},   // format, mask, comment put back, CR LF
        {"lathe-eia", "turn.nc", "1", "--text", true},  // EIA, LF line ends, comments masked
        {"calls", "main.nc", "1", "--text", true},  // nested CALLs with repeats, CR-only line ends
        {"latin1", "rough.nc", "1", "--text", false},  // 8-bit characters have no ISO code
        {"binary", "part.bin", "5", "", false},        // sent byte for byte, once
    };
    const std::string note =
        "feedrite-tape: The leader ends with \"%\" and the program's first line is \"%\": "
        "the control reads \"%\" then \"%\".\n";
    for (const Case& c : cases)
        for (const bool timed : {false, true}) {
            SCOPED_TRACE(std::string(c.folder) + (timed ? " --timed" : ""));
            testing::TempDir dir;
            std::filesystem::copy(std::string(FEEDRITE_TEST_DATA_DIR "/e2e/") + c.folder,
                                  dir.path(), std::filesystem::copy_options::recursive);
            std::vector<std::string> args{"--program-dir", dir.path()};
            if (timed) args.emplace_back("--timed");
            if (*c.output != '\0') args.emplace_back(c.output);
            args.push_back(dir.file(c.program) + "|(default)|" + c.mode);
            std::ostringstream out, errors;
            EXPECT_EQ(run_tape(args, out, errors), 0);
            EXPECT_EQ(out.str(), dir.read("expected.txt"));
            EXPECT_EQ(errors.str(), c.two_percent ? note : "");
        }
}

// The note on two "%" at the start: the leader's last character before its
// line end, and the first line of the program that is not empty; what is
// sent stays the same.
TEST(TwoPercentNote, LeaderAndFirstLine) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"%\n", "%\r\nN1\r\n", true},
        {"%\n", "\r\n  \r\n % \r\nN1\r\n", true},
        {"%", "%", true},
        {"%\n", "N1\r\n%\r\n", false},
        {"%\n", "%N1\r\n", false},
        {"\n", "%\r\n", false},
        {"%X\n", "%\r\n", false},
        {"%\n", "", false},
    };
    for (const auto& [leader, program, noted] : cases) {
        SCOPED_TRACE(std::string(leader) + "|" + program);
        EXPECT_EQ(two_percent_note(leader, program).empty(), !noted);
    }
}

TEST_F(TapeToolTest, TwoPercentAreNotedNotChanged) {
    const TapeRun run = tape({"--text"}, program("%\r\nN1\r\n%\r\n"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "%\n%\r\nN1\r\n%\r\n\r\n%");
    EXPECT_EQ(run.errors,
              "feedrite-tape: The leader ends with \"%\" and the program's first line "
              "is \"%\": the control reads \"%\" then \"%\".\n");
}

// One cycle: leader "%" LF and the seven blocks with CR LF; M30 sends the
// tape back to the top, without the trailer: 78 characters at 300 cps. The rapid
// of 100 mm at 6000 mm/min, 50 mm at 600 mm/min, two steps of 0.01 mm; the
// last of them is read in 8 / 300 s but cut in 0.001 s.
TEST_F(TapeToolTest, EstimatePrintsTheTimesOfOneCycle) {
    device.rapid = "6000";
    const std::string part = program(
        "G21 G90 G94 F600\r\nG00 X0 Y0\r\nG00 X60 Y80\r\nG01 X30 Y40\r\nX30.01\r\n"
        "X30.02\r\nM30\r\n");
    const TapeRun run = tape({"--estimate"}, part);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.out,
              "tape: 0.260 s\nmachining: 6.002 s (without acceleration)\nwaits: 1 blocks, 0.026 s\n"
              "line 6: 0.026 s  X30.02\n");
    EXPECT_EQ(tape({"--estimate", "--cycles", "2"}, part).status, 2);
}

// The three --help texts as help2man reads them into the man pages: no line
// past 79 columns, and an option's name apart from its words by two blanks
// or a line of its own (one blank ran them together in the page).
TEST(HelpTexts, FitTheTerminalAndKeepOptionsApart) {
    for (const std::string& help : {usage_text(), tape_usage(), config_usage()}) {
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);) {
            SCOPED_TRACE(line);
            EXPECT_LE(line.size(), 79u);
            if (!line.starts_with("  --")) continue;
            const auto words_at = line.find("  ", 2);
            // The option's own words: "--name", a value, or "[VALUE]".
            const std::string name =
                line.substr(2, words_at == std::string::npos ? std::string::npos : words_at - 2);
            EXPECT_LE(std::count(name.begin(), name.end(), ' '), 1) << name;
        }
    }
}

}  // namespace
}  // namespace feedrite
