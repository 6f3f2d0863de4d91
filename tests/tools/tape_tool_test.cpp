#include "tools/tape_tool.h"

#include <gtest/gtest.h>

#include <sstream>

#include "config/file_io.h"
#include "tests/support/device_settings.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::DeviceSettings;
using testing::TempDir;

struct TapeRun {
    int status;
    std::string out, errors;
};

class TapeToolTest : public ::testing::Test {
protected:
    TapeRun tape(std::vector<std::string> options, const std::string& text) {
        device.write(dir.path());
        std::vector<std::string> args{"--program-dir", dir.path()};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(text);
        std::ostringstream out, errors;
        const int status = run_tape(args, out, errors);
        return {status, out.str(), errors.str()};
    }
    std::string program(const std::string& content) {
        dir.write("part.nc", content);
        return dir.file("part.nc") + "|(default)|1";
    }

    TempDir dir;
    DeviceSettings device;
};

TEST_F(TapeToolTest, TextShowsWhatTheControlReadsOnTheSampleProgram) {
    std::string sample;
    FileError error;
    ASSERT_TRUE(read_whole_file(FEEDRITE_TEST_DATA_DIR "/bracket.nc", sample, error));
    // The sample ends with M30 and '%': the reset text restarts the cycle
    // there, so the trailer and the last line are not sent.
    const auto m30 = sample.find("N140 M30\r\n") + 10;
    const TapeRun run = tape({"--text"}, program(sample));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "%\n" + sample.substr(0, m30));
    EXPECT_EQ(run.errors, "");
}

TEST_F(TapeToolTest, RawBytesCarryTheCodeSetAndPolarity) {
    struct Case {
        const char* name;
        int code, eob;
        bool data_logic;
        std::string expected;
    };
    const Case cases[] = {
        // ISO even parity: '%', 'C', '1' and CR gain bit 7; leader "%LF" first.
        {"ISO", 0, 3, true, "\xA5\x0A" "\xC3\xB1\x8D\x0A" "\xA5"},
        // EIA: LF is 0x80, '%' 0x0B, 'C' 0x73, '1' 0x01.
        {"EIA", 3, 0, true, "\x0B\x80" "\x73\x01\x80" "\x0B"},
        // Negative data logic: the register holds the inverted code.
        {"ISO negative", 0, 0, false, "\x5A\xF5" "\x3C\x4E\xF5" "\x5A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.code = c.code;
        device.eob = c.eob;
        device.data = c.data_logic;
        const TapeRun run = tape({}, program("C1\r\n"));
        EXPECT_EQ(run.status, 0);
        // Leader, the block, the empty block, the trailer.
        std::string expected = c.expected;
        const std::string eob = c.expected.substr(4, c.eob == 3 ? 2 : 1);
        expected.insert(expected.size() - 1, eob);
        EXPECT_EQ(run.out, expected);
    }
}

TEST_F(TapeToolTest, TraceListsEveryPortEvent) {
    device.delay4 = 0;
    const TapeRun run = tape({"--trace"}, program("A\r\n"));
    EXPECT_EQ(run.status, 0);
    const std::string start =
        "open 888 3\nwrite 0 00\nread 2 cc\nwrite 2 c8\n"  // start-up: idle, sprocket inactive
        "read 1 7f\n"                                        // the wait for the first run
        "read 1 7f\nwrite 0 a5\ndelay 10\nread 2 c8\nwrite 2 c4\ndelay 30\n"
        "read 2 c4\nwrite 2 c8\ndelay 60\nwrite 0 00\ndelay 0\n";
    EXPECT_EQ(run.out.substr(0, start.size()), start);
}

TEST_F(TapeToolTest, CyclesRepeatTheProgram) {
    device.reset = "M30";
    const TapeRun run = tape({"--text", "--cycles", "3"}, program("N1 M30\r\n"));
    EXPECT_EQ(run.out, "%\nN1 M30\r\n%\nN1 M30\r\n%\nN1 M30\r\n");
}

TEST_F(TapeToolTest, BinaryFileGoesOutOnce) {
    dir.write("part.bin", std::string("\x00\xFF\x0D", 3));
    const TapeRun run = tape({}, dir.file("part.bin") + "|(default)|5");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string("\x00\xFF\x0D", 3));
}

TEST_F(TapeToolTest, ExitStatusesAndMessages) {
    TapeRun run = tape({}, dir.file("missing.nc") + "|(default)|1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Disk write error: Cannot access file / " + dir.file("scratchpad data 5b") + "\n");

    run = tape({}, program("N1\r\n").replace(program("N1\r\n").find("(default)"), 9, "MILL"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.errors,
              "BTR port error: BTR port has not been configured. / Use BTR/Configure selection to "
              "define a port.\n");

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--cycles", "0"}, {"--cycles", "x"}, {"--trace", "--text"}, {"--what"}}) {
        run = tape(bad, program("N1\r\n"));
        EXPECT_EQ(run.status, 2) << bad[0];
        EXPECT_NE(run.errors.find("Usage: feedrite-tape"), std::string::npos);
    }
    run = tape({}, "no separators");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
}

TEST_F(TapeToolTest, ASubFileThatIsMissingIsALoadFailure) {
    const TapeRun run = tape({"--text"}, program("N1\r\nCALL GONE\r\n"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "Sub file error: Can't open sub file  / GONE\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(TapeToolTest, BadInputEndsCleanly) {
    struct Case {
        const char* name;
        std::string program;
        int status;
        std::string errors;
    };
    const std::string long_line = "N1 X" + std::string(2'000'000, '1');
    const Case cases[] = {
        {"a file that calls itself", "CALL SELF\r\n", 1,
         "Sub file error: You are trying to nest sub-files / more that 7 layers deep!\n"},
        {"an empty file", "", 0, ""},
        {"NUL bytes", std::string(1000, '\0'), 0, ""},
    };
    dir.write("SELF", "N1\r\ncall SELF\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TapeRun run = tape({"--text"}, program(c.program));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.errors, c.errors);
        EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
        if (c.status != 0) {
            EXPECT_EQ(run.out, "");
        }
    }
    const TapeRun run = tape({"--text"}, program(long_line + "\r\nM30\r\n"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(2, long_line.size() + 2), long_line + "\r\n");
    EXPECT_EQ(tape({"--text"}, program("")).out, "%\n\r\n\r\n%");
}

TEST_F(TapeToolTest, GarbageSettingsAreAnUnconfiguredPort) {
    const std::string command = program("N1\r\n");
    device.write(dir.path());
    dir.write("Editor BTR port settings", std::string("\x01\xff\x00garbage\n\x7f", 13));
    std::ostringstream out, errors;
    EXPECT_EQ(run_tape({"--program-dir", dir.path(), command}, out, errors), 2);
    EXPECT_NE(errors.str().find("BTR port has not been configured."), std::string::npos);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace feedrite
