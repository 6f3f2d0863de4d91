// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "resume/preamble.h"
#include "resume/resume_plan.h"
#include "resume/resume_proof.h"

namespace feedrite {
namespace {

const std::string mill =
    "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03 M08\nG00 X0 Y0\nG43 H1 Z5.\n"
    "G01 Z-1. F50.\nX3.\n";

// Hand-written preambles for line 8 of `mill` and every sentence the proof
// finds against each; the preamble the plan makes holds.
TEST(ResumeProof, NamesWhatAPreambleGetsWrong) {
    const std::vector<std::string> good = {"G21",
                                           "G40 G80",
                                           "G91 G28 Z0",
                                           "G54",
                                           "T1 M06",
                                           "S500 M03",
                                           "M08",
                                           "G00 G90 X0 Y0",
                                           "G00 G90 G43 H1 Z5.",
                                           "G01 G90 Z-1. F50.",
                                           "G90 G01"};
    const auto without = [&good](const std::string& gone) {
        std::vector<std::string> b = good;
        std::erase(b, gone);
        return b;
    };
    struct Case {
        std::vector<std::string> blocks;
        bool approach;
        std::vector<std::string> problems;
    };
    const Case cases[] = {
        {good, true, {}},
        {without("M08"), true, {"the coolant is 90 after the preamble, 80 in the whole run"}},
        {without("G00 G90 X0 Y0"),
         true,
         {"the preamble leaves X at an unknown place, the whole run has it at 0",
          "the preamble leaves Y at an unknown place, the whole run has it at 0"}},
        {without("G54"),
         true,
         {"the preamble block G00 G90 X0 Y0 moves on unknown state",
          "the preamble block G00 G90 G43 H1 Z5. moves on unknown state",
          "the preamble block G01 G90 Z-1. F50. moves on unknown state"}},
        {without("G01 G90 Z-1. F50."),
         true,
         {"the position of Z is 5. after the preamble, -1. in the whole run",
          "the preamble leaves F unset, which the first cut reads"}},
        {{"G00 X0 Y0", "G21 G90 G54"},
         false,
         {"the preamble block G00 X0 Y0 moves on unknown state",
          "the motion mode is 0 after the preamble, 10 in the whole run"}},
    };
    const std::vector<std::string_view> lines = program_lines(mill);
    const ResumeScan scan = scan_to_line(lines, 8);
    for (const Case& c : cases)
        EXPECT_EQ(prove_resume(lines, scan, c.blocks, c.approach), c.problems)
            << ::testing::PrintToString(c.blocks);
    EXPECT_EQ(plan_resume(mill, 8)->blocks, good);
}

// The program's habits the preamble copies, and the clearance it proposes:
// retract | order of the rapids | last rapid Z | plunge in Z, in X | points.
TEST(ResumeScan, HabitsAndTheProposedClearance) {
    const auto text = [](const std::optional<NcNumber>& n) {
        return n ? format_number(*n) : std::string("-");
    };
    const auto habits = [&text](const ResumeScan& scan) {
        const Habits& h = scan.habits;
        std::string t;
        for (const std::string& r : h.retract) t += r + ";";
        t += " |";
        for (const std::uint16_t group : h.order) {
            t += " ";
            for (std::size_t i = 0; i < axis_count; ++i)
                if ((group & (1U << i)) != 0) t += axis_letters[i];
        }
        return t + " | " + text(h.rapid_z) + " | " + text(h.plunge_z) + " " + text(h.plunge_x) +
               (h.points ? " | points" : " | whole") + " | " + proposed_clearance(scan);
    };
    const std::string drill =
        "G21 G90 G54\nG53 Z0\nT2 M06\nG00 X0 Y0\nG43 H2 Z20.\nG99 G81 X5. Z-5. R2. F90.\nX10.\n";
    const std::tuple<std::string, int, const char*> rows[] = {
        {mill, 8, "G91 G28 Z0; | XY | 5. | 50. - | points | 5."},
        {mill + "G00 Z10.\nX9.\n", 10, "G91 G28 Z0; | XY | 10. | 50. 50. | points | 10."},
        {drill, 7, "G53 Z0; | XY | 20. | - - | points | 20."},
        {"G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 G00 X0 Y0\nZ5000\nG01 Z-1000 F50\nX3000\n", 7,
         "G91 G28 Z0; | XY | 5000 | 50 - | whole | 5000"},
        {"G21\nG28 U0 W0\nT0101\nG00 X30. Z2.\nG01 X28. F.1\nZ-5. F.2\n", 6,
         "G28 U0 W0; | XZ | 2. | - .1 | points | "},
    };
    for (const auto& [program, line, expected] : rows)
        EXPECT_EQ(habits(scan_to_line(program_lines(program), line)), expected) << program;
}

// The safe restart points of whole programs, and how the plan tells them.
TEST(RestartPoints, OfWholeProgramsAndTheirText) {
    const std::string twice =
        mill +
        "G21 G90 G54\nG91 G28 Z0\nT2 M06\nG90 S900 M03\nG00 X5. Y5.\nG43 H2 Z5.\nG01 Z-2. F60.\n";
    const std::string lathe =
        "G21 G18\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X30. Z2.\nG01 Z-5. F.2\n";
    const std::tuple<std::string, std::vector<std::int64_t>> rows[] = {
        {mill, {1}},
        {twice, {1, 9}},
        // A turret indexes once clear: after the program's retract, not without it.
        {lathe + "G21\nG28 U0 W0\nT0303\nG97 S600 M03\nG00 X30. Z2.\nG01 Z-9. F.2\n", {1, 7}},
        {lathe + "G21\nT0303\nG97 S600 M03\nG00 X30. Z2.\nG01 Z-9. F.2\n", {1}},
    };
    for (const auto& [program, points] : rows)
        EXPECT_EQ(all_restart_points(program_lines(program)), points) << program;
    const std::pair<int, const char*> texts[] = {
        {1, "Safe restart points: line 1 (before), line 9 (after)"},
        {8, "Safe restart points: line 1 (before), line 9 (after)"},
        {9, "Safe restart points: line 9 (before)"},
        {14, "Safe restart points: line 9 (before)"}};
    for (const auto& [line, text] : texts)
        EXPECT_EQ(plan_resume(twice, line)->restart_text(), text) << line;
}

}  // namespace
}  // namespace feedrite
