// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_io.h"
#include "base/limits.h"
#include "resume/resume_plan.h"

namespace feedrite {
namespace {

// Every line of every sample program: a rule refuses it, or its preamble
// proves itself (no move on unknown state; what the resumed control knows at
// the first program move agrees with the run from the top).
TEST(ResumeProof, EveryLineOfEverySampleProgram) {
    int approaches = 0, refused = 0, lines_tried = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(FEEDRITE_TEST_DATA_DIR)) {
        const std::string path = entry.path().string();
        if (!entry.is_regular_file() ||
            entry.path().filename().string().find(' ') != std::string::npos ||
            path.ends_with(".bin") || path.ends_with(".txt"))
            continue;
        std::string text;
        FileError error;
        ASSERT_TRUE(read_whole_file(path, text, error, program_size_limit)) << path;
        const auto count = static_cast<std::int64_t>(program_lines(text).size());
        for (std::int64_t line = 1; line <= count; ++line, ++lines_tried) {
            const auto plan = plan_resume(text, line);
            ASSERT_TRUE(plan.has_value());
            EXPECT_EQ(plan->proof, std::vector<std::string>{}) << path << " line " << line;
            approaches += plan->approach ? 1 : 0;
            refused += plan->refused.empty() ? 0 : 1;
        }
    }
    // Not a proof of nothing: most lines are resumed, many with an approach.
    EXPECT_GT(lines_tried, 150);
    EXPECT_GT(approaches, lines_tried / 4);
    EXPECT_LT(refused, lines_tried / 2);
}

// The program's own setups are offered around the line; a program that
// never sets itself up has none.
TEST(RestartPoints, NearestBeforeAndAfter) {
    const std::string drill = [] {
        std::string text;
        FileError error;
        EXPECT_TRUE(read_whole_file(FEEDRITE_TEST_DATA_DIR "/resume/drill.nc", text, error,
                                    program_size_limit));
        return text;
    }();
    const std::vector<std::string_view> lines = program_lines(drill);
    const std::tuple<std::int64_t, std::int64_t, std::int64_t> cases[] = {
        {9, 3, 13}, {14, 14, 0}, {16, 14, 0}, {2, 0, 3}};
    for (const auto& [line, before, after] : cases) {
        SCOPED_TRACE(line);
        const RestartPoints points = restart_points(lines, line);
        EXPECT_EQ(points.before, before);
        EXPECT_EQ(points.after, after);
    }
    EXPECT_EQ(all_restart_points(lines), (std::vector<std::int64_t>{3, 13, 14}));
    EXPECT_EQ(restart_points(program_lines("G00 X1.\nG01 X2. F1.\n"), 2).before, 0);
}

}  // namespace
}  // namespace feedrite
