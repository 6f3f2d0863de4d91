// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/file_io.h"
#include "base/limits.h"
#include "resume/resume_journal.h"
#include "resume/resume_plan.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

std::string sample(const char* name) {
    std::string text;
    FileError error;
    EXPECT_TRUE(read_whole_file(std::string(FEEDRITE_TEST_DATA_DIR "/resume/") + name, text, error,
                                program_size_limit));
    return text;
}

// The preamble's blocks in their order: the samples, then one row per rule
// of a safe restart and per wrong move a machinist would not make. An empty
// list with a refusal: the line is refused.
TEST(Preamble, BlocksInTheSafeOrder) {
    struct Case {
        const char* name;
        std::string program;
        int line;
        const char* clearance;  // nullptr: the proposed one
        std::vector<std::string> blocks;
        std::vector<std::string> warnings;  // every one, in full (the refusal among them)
    };
    const std::string tools =
        "G21 G90 G17 G54\nT1 M06\nS900 M03 M08\nG00 X0 Y0\nG43 H1 Z5.\nG01 Z-1. F80.\n"
        "X5. F300.\nG53 Z0 M05\nT2 M06\nG00 X1. Y1.\n";
    const std::string drill =
        "G21 G90 G54 G17\nG91 G28 Z0\nT5 M06\nG90 S800 M03\nG00 X0 Y0\n"
        "G43 H5 Z20.\nG99 G83 X10. Y5. Z-12. R2. Q3. F90.\nX20.\nX30. Z-14.\n";
    // The warning of a preamble that sets the modes only.
    const auto by_hand = [](const std::string& why, int line) {
        return "no approach move: " + why + ". Bring the tool to the start of line " +
               std::to_string(line) +
               " by hand before Cycle start, or resume at a safe restart point";
    };
    // clang-format off
    const Case cases[] = {
        {"mill: inside compensation refused", sample("mill.nc"), 12, nullptr, {},
         {"Refused: what line 12 does is not known: cutter compensation G41 D13 is in force, and no block restores it without its lead-in move.", "Safe restart points: line 3 (before)"}},
        {"mill: the line that turns compensation on", sample("mill.nc"), 10, nullptr,
         {"G21", "G17", "G40 G80", "G91 G28 Z0", "G54", "T3 M06", "T4", "S2400 M03", "M08",
          "G00 G90 X-20. Y-20.", "G00 G90 G43 H3 Z2.", "G01 G90 Z-4.5 F150.", "G90 G01"}, {}},
        {"mill: after G40, back on the path", sample("mill.nc"), 16, nullptr,
         {"G21", "G17", "G40 G80", "G91 G28 Z0", "G54", "T3 M06", "T4", "S2400 M03", "M08",
          "G00 G90 X-20. Y-20.", "G00 G90 G43 H3 Z2.", "G01 G90 Z-4.5 F150.", "G90 G01 F400."}, {}},
        {"lathe: to the last rapid, then the feed in one axis", sample("lathe.nc"), 9, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0101", "G50 S2500", "G96 S180 M03", "M08", "G99",
          "G00 X52. Z2.", "G01 Z0 F0.2", "G01"}, {}},
        {"lathe: the index keeps the spindle turning", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X30. Z2.\n"
         "G01 Z-5. F.2\nG28 U0 W0\nT0303\nG00 X30.\n", 9, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0303", "G97 S500 M03", "M09", "G01 F.2"}, {}},
        {"lathe: a groove reached X first, then Z", "G21\nG28 U0 W0\nT0303\nG97 S500 M03\nG00 X45.\nZ-20.\n"
         "G01 X36. F.05\nG04 X.5\n", 8, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0303", "G97 S500 M03", "M09", "G00 X45.", "G00 Z-20.",
          "G01 X36. F.05", "G01"}, {}},
        {"lathe: a pass of a G90 cycle refused", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X52. Z2.\n"
         "G90 X48. Z-20. F.2\nX46.\nX44.\n", 8, nullptr, {}, {"Refused: line 8 lies in the G90 cycle of line 6, which is not written back; resume at line 6.", "Safe restart points: line 1 (before)"}},
        {"lathe: inside a contour refused", "G21\nT0101\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\n"
         "N20 G01 X40. Z-5.\nG00 X60.\n", 6, nullptr, {}, {"Refused: line 6 lies in the contour of a lathe cycle, or between the cycle and its contour: the cycle reads those lines, sent without it they would run as moves."}},
        {"lathe: the contour is no move", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X50. Z2.\nG71 U2. R1.\n"
         "G71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 G01 X40. Z-5.\nG00 X60.\n", 10, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0101", "G97 S500 M03", "M09", "G00 X50. Z2.", "G00 F.3"}, {}},
        {"new tool without H: its Z is the change height", tools + "Z5.\n", 11, nullptr, {},
         {"Refused: what line 11 does is not known: line 9: tool change (T2M06).", "Safe restart points: line 1 (before)"}},
        {"new tool with H, G53 after G90, plunge feed", tools + "G43 H2 Z5.\nS1200 M04\nG01 Z-2. F90.\nX9. F250.\n", 14, nullptr,
         {"G21", "G17", "G40 G80", "G90", "G53 Z0", "G54", "T2 M06", "S1200 M04", "M09", "G00 G90 X1. Y1.",
          "G00 G90 G43 H2 Z5.", "G01 G90 Z-2. F90.", "G90 G01"}, {}},
        {"G49 of the program restored", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 G49 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 9, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "G49", "S500 M03", "M09", "G00 G90 X3. Y0", "G00 G90 Z5.",
          "G01 G90 Z-1. F50.", "G90 G01"}, {}},
        {"G43 without H as written", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nG43 Z5.\nG01 Z-1. F50.\nX3.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X0 Y0", "G00 G90 G43 Z5.",
          "G01 G90 Z-1. F50.", "G90 G01"}, {}},
        {"a clearance equal to the start", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ2.000\nG01 X3.\n", 7, "2.",
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X0 Y0", "G00 G90 Z2.",
          "G90 G00"}, {}},
        {"the part flip in the program's order", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 B180.\nX0 Y0 W0\nZ5.\nG01 Z-1. F50.\nX3.\n", 9, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 B180.", "G00 G90 X0 Y0 W0",
          "G00 G90 Z5.", "G01 G90 Z-1. F50.", "G90 G01"}, {}},
        {"inside a drill cycle: written back without a hole", drill, 9, nullptr,
         {"G21", "G17", "G40", "G91 G28 Z0", "G54", "G99", "T5 M06", "S800 M03", "M09", "G00 G90 X20. Y5.",
          "G00 G90 G43 H5 Z20.", "G99 G83 Z-12. R2. Q3. F90. K0", "G90"}, {}},
        {"a call: nothing known after it", tools + "M98 P100\nG01 X2.\n", 12, nullptr, {},
         {"Refused: what line 12 does is not known: line 11: call of a program not followed (M98P100).", "Safe restart points: line 1 (before)"}},
        {"an unknown code with axis words", tools + "G47 P0 X0 Y0 Z-.2 F10.\nG00 Z5.\nX3.\n", 13, nullptr,
         {"G21", "G17", "G40 G80", "G90", "G53 Z0", "G54", "T2 M06", "S900 M05", "M09", "G90 G00 F10."},
         {by_hand("the position of X is not known (line 11: G47 not followed (G47P0X0Y0Z-.2F10.))", 13), "line 11: G47 is not known to the preamble: not restored"}},
        {"rotation in force: modes only", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG68 X0 Y0 R30.\nG00 X0 Y0\nZ5.\nG01 X3. F50.\n", 8, nullptr,
         {}, {"Refused: what line 8 does is not known: a transform or coordinate shift is in force."}},
        {"a units switch: positions before it unknown", "G20 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X1. Y1.\nZ.1\nG21\nG01 Z-1. F50.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G90 G00"},
         {by_hand("the position of X is not known (line 7: units set to G21)", 8)}},
        {"no clearance: modes only", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X1. Y2.\nZ5.\nX3.\n", 7, "",
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G90 G00"}, {by_hand("no clearance height", 7)}},
        {"units never set: the control's own", "G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 8, nullptr,
         {"G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X0 Y0", "G00 G90 Z5.", "G01 G90 Z-1. F50.", "G90 G01"}, {"units (G20 / G21) not set before line 8: the control's own setting applies"}},
        {"a spindle turning at no known speed", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "M03", "M09", "G90 G01 F50."}, {"spindle turning without a known speed before line 8", by_hand("the spindle is not known", 8)}},
        {"a feed move with no F", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 X3.\nX4.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X3. Y0", "G00 G90 Z5.", "G90 G01"}, {"no feed rate (F) set before line 8"}},
        {"an arc continued without its code", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nG02 X2. Y0 R1.\nX4. Y0 R1.\n", 9, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X2. Y0", "G00 G90 Z5.", "G01 G90 Z-1. F50.", "G90 G02"}, {"G02 in force before line 9: line 9 continues the arc without a motion code of its own; the preamble sets G02 in a block without a move: check that the control accepts it, or resume where the arc begins"}},
        {"a code outside the list is told", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG187\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 9, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G00 G90 X0 Y0", "G00 G90 Z5.", "G01 G90 Z-1. F50.", "G90 G01"}, {"line 5: G187 is not known to the preamble: not restored"}},
        {"lathe: the spindle after a call", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nM98 P200\nG21 G18 G40 G80\nG28 U0 W0\nT0101\nG97 S500\nG00 X30. Z2.\nG01 Z-5. F.2\n", 11, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "G28 U0 W0", "T0101", "G97 S500", "G00"}, {"spindle state unknown before line 11 (line 5: call of a program not followed (M98P200)): the preamble leaves it as it is", by_hand("the spindle is not known", 11)}},
        {"the spindle after a tool change", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nG91 G28 Z0\nT2 M06\nG90 G00 X1. Y1.\nG43 H2 Z5.\nG01 Z-1. F50.\nX3.\n", 11, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T2 M06", "S500 M05", "M09", "G00 G90 X1. Y1.", "G00 G90 G43 H2 Z5.", "G01 G90 Z-1. F50.", "G90 G01"}, {}},
        {"a tool as an expression", "G21 G90 G54\nG91 G28 Z0\nT#1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "S500 M03", "M09", "G90 G01 F50."}, {"no tool known before line 8 (line 3: tool change (T#1M06))", by_hand("the tool is not known", 8)}},
        {"Z not known where X and Y are", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nG43 H1 Z[#1]\nG01 X3. F50.\nX4.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G43 H1", "G90 G01 F50."},
         {by_hand("the position of Z is not known (line 6: move not followed (G43H1Z[#1]))", 8)}},
        {"no plunge in Z alone", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 X1. Z-1. F50.\nX3.\n", 8, nullptr,
         {"G21", "G40 G80", "G91 G28 Z0", "G54", "T1 M06", "S500 M03", "M09", "G90 G01 F50."}, {by_hand("no feed move in Z alone before line 8 to plunge at", 8)}},
        {"no retract in machine terms", "G21 G90 G54\nT1 M06\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\n", 7, nullptr,
         {"G21", "G40 G80", "G54", "T1 M06", "S500 M03", "M09", "G90 G01 F50."}, {by_hand("the program has no retract in machine terms (G53 Z, G91 G28 Z0, G28 U0 W0) to start from", 7)}},
        {"the next tool unknown", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nT#2\nG90 S500 M03\nG00 X0 Y0\nZ5.\nG01 Z-1. F50.\nX3.\nT2 M06\n", 9, nullptr,
         {}, {"Refused: the tool selected for the next change is not known (line 4: T written as an expression (T#2)).", "Safe restart points: line 1 (before)"}},
        {"a drill cycle in G91", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0 Z20.\nG91 G99 G81 X10. Z-5. R-18. F90.\nX10.\n", 7, nullptr,
         {}, {"Refused: the G81 cycle of line 6 is not known whole (its words, the first level, G90 and G98 / G99); resume at line 6."}},
        {"a tool change inside a drill cycle", "G21 G90 G54\nG91 G28 Z0\nT1 M06\nG90 S500 M03\nG00 X0 Y0 Z20.\nG99 G81 X10. Z-5. R2. F90.\nT2 M06\nX20.\n", 7, nullptr,
         {}, {"Refused: line 7 changes the tool inside the G81 cycle of line 6.", "Safe restart points: line 1 (before)"}},
        {"lathe: fed in from the tool change", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG01 X30. Z2. F.2\nG01 Z-5.\n", 6, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0101", "G97 S500 M03", "M09", "G01 F.2"}, {by_hand("no rapid since the tool change to take the way in from", 6)}},
        {"lathe: fed in both axes to the start", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X30. Z2.\nG01 X28. Z0 F.2\nG01 Z-5.\n", 7, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0101", "G97 S500 M03", "M09", "G01 F.2"}, {by_hand("the program fed from its last rapid to the start in both X and Z", 7)}},
        {"lathe: the second block of a G71", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X50. Z2.\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 G01 X40. Z-5.\n", 7, nullptr,
         {}, {"Refused: line 7 is the second block of the G71 cycle of the block before it: resume at that block."}},
        {"lathe: a G70 finishes a contour not on the tape", "G21\nG28 U0 W0\nT0101\nG97 S500 M03\nG00 X50. Z2.\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 G01 X40. Z-5.\nG70 P10 Q20\n", 10, nullptr,
         {}, {"Refused: line 10 finishes a contour that the resumed tape does not hold."}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto plan = plan_resume(c.program + "N99\n", c.line);
        ASSERT_TRUE(plan.has_value());
        if (c.clearance != nullptr) set_clearance(*plan, c.clearance);
        EXPECT_EQ(plan->blocks, c.blocks);
        EXPECT_EQ(plan->proof, std::vector<std::string>{});
        EXPECT_EQ(plan->warnings(), c.warnings);
    }
}

TEST(Preamble, NoPlanForALineOutsideTheProgram) {
    for (const int line : {0, 3, -1})
        EXPECT_FALSE(plan_resume("G00\r\nG01\r\n", line).has_value()) << line;
}

// A typed clearance is written as the program writes Z, and refused below the
// start on a mill, compared in the program's resolution; a refused one makes no approach.
TEST(Preamble, ClearanceInTheProgramsNotation) {
    const std::string points = "G21 G90 G00 X0 Y0 Z2.\n", whole = "G21 G90 G00 X0 Y0 Z20000\n";
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = {
        {points, " 5 ", "5.", ""},
        {points, "1.5", "1.5",
         "The clearance Z1.5 is below the start height Z2.: type a height at or above it."},
        {points, "1.9999", "1.9999",
         "The clearance Z1.9999 is below the start height Z2.: type a height at or above it."},
        {"G21 G90 G00 X0 Y0 Z2.1\n", "2.1000", "2.1000", ""},
        {"G21 G90 G00 X0 Y0 Z.1\nG91 Z.2\n", ".3", ".3", ""},  // .1 + .2 is .3 here
        {whole, "30000", "30000", ""},
        {whole, "3.", "3.",
         "The program writes Z without a decimal point: type the clearance the same way."},
        {points, "2,5", "2,5", "The clearance height is not a number."},
        {"T0101\nG00 X20. Z2.\n", "1.", "1.", ""},  // a lathe's start may lie beyond it
    };
    for (const auto& [program, typed, text, problem] : cases) {
        SCOPED_TRACE(typed);
        const auto last = std::count(program.begin(), program.end(), '\n') + 1;
        auto plan = plan_resume(program + "N99\n", last);
        set_clearance(*plan, typed);
        EXPECT_EQ(plan->clearance, text);
        EXPECT_EQ(plan->clearance_problem, problem);
        if (*problem != '\0') {
            EXPECT_EQ(plan->warnings().front(), problem);
        }
    }
}

// The state folder's own rule: StateDir.
TEST(ResumeJournal, PathRule) {
    const std::array<const char*, 3> cases[] = {// device, state folder, path
                                                {"LATHE 2", "/s", "/s/resume/LATHE 2.json"},
                                                {"a/b.c", "/s", "/s/resume/a%2Fb.c.json"},
                                                {"..", "/s", "/s/resume/%2E..json"},
                                                {"X", "", ""}};
    for (const auto& [device, dir, expected] : cases)
        EXPECT_EQ(resume_journal_path(device, dir), expected) << device;
}

// A record read back whole; a torn or foreign file gives nothing, and a torn
// temporary file beside it never hides the last whole record.
TEST(ResumeJournal, RecordsReadBackWholeOrNotAtAll) {
    const ResumeRecord record{"/p/\xE9t\xE9 \"1\".nc", "ab12", "MILL", 42, true};
    const std::string text = format_resume_record(record);
    EXPECT_EQ(format_resume_record(parse_resume_record(text).value_or(ResumeRecord{})), text);
    for (std::size_t cut = 0; cut + 1 < text.size(); ++cut)  // the final LF may go
        EXPECT_FALSE(parse_resume_record(text.substr(0, cut)).has_value()) << cut;
    EXPECT_FALSE(parse_resume_record(text + "x").has_value());

    testing::TempDir dir;
    const std::string path = dir.file("state/feedrite/resume/MILL.json");
    ASSERT_TRUE(write_resume_record(path, record));
    dir.write("state/feedrite/resume/MILL.json.tmp", text.substr(0, 20));
    EXPECT_EQ(read_resume_record(path)->sha256, "ab12");
    dir.write("state/feedrite/resume/MILL.json", text.substr(0, 30));
    EXPECT_FALSE(read_resume_record(path).has_value());
}

TEST(ResumeJournal, OfferOnlyAfterAnUncleanRunOfTheSameProgramAndDevice) {
    using Record = std::optional<ResumeRecord>;
    const ResumeRecord r{"p", "sha", "MILL", 7, true}, clean{"p", "sha", "MILL", 7, false};
    // the record, the program's digest, the device, the program's lines; the line offered
    const std::tuple<Record, const char*, const char*, int, std::optional<std::int64_t>> cases[] = {
        {r, "sha", "MILL", 10, 7},    {clean, "sha", "MILL", 10, {}},
        {r, "other", "MILL", 10, {}}, {r, "sha", "LATHE", 10, {}},
        {r, "sha", "MILL", 6, {}},    {std::nullopt, "sha", "MILL", 10, {}}};
    for (const auto& [record, sha, device, lines, offered] : cases)
        EXPECT_EQ(line_to_resume(record, sha, device, lines), offered) << sha << device << lines;
}

// The writer leaves the file alone until something changes, then keeps the
// latest state; what it holds at the end is written when it stops.
TEST(ResumeJournal, WriterKeepsTheLatestState) {
    testing::TempDir dir;
    const std::string path = dir.file("j/MILL.json");
    {
        JournalWriter writer(path, {"p", "", "MILL", 0, false}, std::chrono::milliseconds(5),
                             [] { return "d1"; });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(read_resume_record(path).has_value());
        for (int line = 1; line <= 1000; ++line) writer.record(line, true);
        // A loaded machine may keep the writer's thread waiting a while.
        for (int wait = 0;
             wait < 400 && read_resume_record(path).value_or(ResumeRecord{}).line != 1000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(read_resume_record(path)->line, 1000);
        writer.record(1001, false);
    }
    EXPECT_EQ(format_resume_record(read_resume_record(path).value_or(ResumeRecord{})),
              format_resume_record({"p", "d1", "MILL", 1001, false}));  // d1: the thread's digest
}

// A record that cannot be written (a folder stands at its name) is told once.
TEST(ResumeJournal, AFailedWriteIsToldOnce) {
    testing::TempDir dir;
    const std::string path = dir.file("MILL.json");
    std::filesystem::create_directory(path);
    std::vector<std::string> told;
    {
        JournalWriter writer(path, {"p", "s", "MILL", 0, false}, std::chrono::milliseconds(2),
                             nullptr, [&told](const std::string& why) { told.push_back(why); });
        for (int line = 1; line <= 5; ++line) {
            writer.record(line, true);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_EQ(told.size(), 1U);
    EXPECT_EQ(told[0].rfind("cannot keep the resume record in " + path + ": ", 0), 0U) << told[0];
}

}  // namespace
}  // namespace feedrite
