// Reading program files line by line.
#include "prepare/program_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::TempDir;

std::vector<std::string> read_all(const std::string& path) {
    ProgramFile file;
    FileError error;
    EXPECT_TRUE(file.open(path, error)) << error.message;
    std::vector<std::string> lines;
    while (!file.at_end()) lines.push_back(file.read_line());
    return lines;
}

TEST(CallProgramFile, EveryLineEndCountsOnceAndBytesPassUnchanged) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CR LF", "A\r\nB\r\n", {"A", "B"}},
        {"LF, no break at the end", "A\nB", {"A", "B"}},
        {"CR", "A\rB\r", {"A", "B"}},
        {"mixed with empty lines", "A\r\n\nB\r\r\nC\n\r", {"A", "", "B", "", "C", ""}},
        {"empty file", "", {}},
        {"NUL and binary bytes",
         std::string("G1\0X\xFF\r\n\x01\x80", 9),
         {std::string("G1\0X\xFF", 5), "\x01\x80"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read_all(dir.write("f", c.bytes)), c.lines);
    }
}

TEST(CallProgramFile, LongLinesAndManyLinesAreServedWhole) {
    TempDir dir;
    const std::string long_line(std::size_t{2} << 20, 'X');
    EXPECT_EQ(read_all(dir.write("long", long_line + "\r\nB")),
              (std::vector<std::string>{long_line, "B"}));

    // 300000 lines: serving each one by copying what is left would take hours.
    std::string many;
    for (int i = 0; i < 300'000; ++i) many += "G1 X1\n";
    const auto lines = read_all(dir.write("many", many + "N9"));
    ASSERT_EQ(lines.size(), 300'001u);
    EXPECT_EQ(lines[299'999], "G1 X1");
    EXPECT_EQ(lines.back(), "N9");
}

TEST(CallProgramFile, FailedOpenAndCloseLeaveNothingToRead) {
    TempDir dir;
    ProgramFile file;
    FileError error;
    ASSERT_TRUE(file.open(dir.write("f", "A\r\nB"), error));
    EXPECT_EQ(file.read_line(), "A");
    file.close();
    EXPECT_FALSE(file.is_open());
    EXPECT_TRUE(file.at_end());
    EXPECT_EQ(file.read_line(), "");

    ASSERT_TRUE(file.open(dir.file("f"), error));
    EXPECT_FALSE(file.open(dir.file("missing"), error));
    EXPECT_EQ(error.code, FileErrorCode::NotFound);
    EXPECT_FALSE(file.is_open());
    EXPECT_TRUE(file.at_end());
    EXPECT_FALSE(file.open(dir.path(), error));
    EXPECT_EQ(error.code, FileErrorCode::IsDirectory);
}

}  // namespace
}  // namespace feedrite
