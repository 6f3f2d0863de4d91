// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/file_io.h"
#include "base/limits.h"
#include "resume/preamble.h"
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

std::string code(const std::optional<int>& tenths) {
    return tenths ? std::to_string(*tenths) : "-";
}
std::string at(const ModalState& s, char axis) {
    return s.axis(axis).known ? format_number(s.axis(axis).position) : "?";
}

// One modal group or one kind of doubt per row: the program, the line to
// resume at, what the state holds there, and a warning it must give.
TEST(ModalScan, EachGroupAndEachDoubt) {
    using Field = std::function<std::string(const ModalState&)>;
    struct Case {
        const char* name;
        std::string program;
        int line;
        Field field;
        std::string expected;
        std::string warning;  // a part of one warning; empty: no warnings at all
    };
    const Field x = [](const ModalState& s) { return at(s, 'X'); };
    const Field z = [](const ModalState& s) { return at(s, 'Z'); };
    // clang-format off
    const Case cases[] = {
        {"comments and ; ignored", "G01 (G00 M08) X1. F9. ; G02\n", 2, [](auto& s) { return code(s.motion) + code(s.coolant); }, "10-", ""},
        {"% and O lines skipped", "%\nO1234\nG00 X1.\n", 4, x, "1.", ""},
        {"block delete read", "/M08\n/2 G18\n", 3, [](auto& s) { return code(s.coolant) + code(s.plane); }, "80180", ""},
        {"G70 units on a mill", "G70 Y1.\n", 2, [](auto& s) { return code(s.units); }, "700", ""},
        {"G70 P Q is no unit", "G70 P10 Q20\n", 2, [](auto& s) { return code(s.units); }, "-", "G70 not known"},
        {"distance and incremental sums", "G90 X10. Y1.\nG91 X2.5\nX.25\n", 4, [](auto& s) { return code(s.distance) + at(s, 'X'); }, "91012.75", ""},
        {"whole numbers stay whole", "G90 X10000 Y0\nG91 X-500\n", 3, x, "9500", ""},
        {"work offset with P", "G54.1 P3 Y0\n", 2, [](auto& s) { return s.work_offset; }, "G54.1 P3", ""},
        {"feed mode and F", "G95 G01 Y1. F0.1\n", 2, [](auto& s) { return code(s.feed_mode) + s.feed; }, "9500.1", ""},
        {"lathe: U W, G50 S, G96", "G50 S2000\nG96 S150 T0101\nG00 X50. Z2.\nU-2. W-1.\n", 5,
         [](auto& s) { return at(s, 'X') + at(s, 'Z') + s.speed_limit + "/" + s.speed + code(s.speed_mode); }, "48.1.2000/150960", ""},
        {"lathe: G90 with axes is a cycle", "T0101\nG00 X50. Z2.\nG90 X45. Z-20. F.2\nX40.\n", 5,
         [](auto& s) { return at(s, 'X') + code(s.cycle); }, "50.900", "G90 cycle of line 3 in force"},
        {"lathe: in a G71 contour", "T0101\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 X40.\n", 5, x, "20.",
         "line 5 lies in the contour of the G71 cycle at line 3 (N10 to N20)"},
        {"lathe: after the contour", "T0101\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 X40.\n", 6, x, "40.", ""},
        {"lathe: G70 of a contour left behind", "T0101\nG71 P10 Q20 U.5\nN10 X20.\nN20 X40.\nG70 P10 Q20\n", 5, x, "40.",
         "line 5: G70 finishes the contour N10 to N20, which starts before line 5"},
        {"drill cycle: Z is the depth", "G00 X0 Y0 Z5.\nG81 X10. Z-8. R1. F50.\n", 3, z, "5.", "G81 cycle of line 2 in force before line 3: the preamble cancels it"},
        {"macro statement", "G00 X1. Y0\n#1=5\nIF [#1 GT 0] GOTO 10\n", 4, x, "1.", "lines 2, 3: macro statement not evaluated (#1=5)"},
        {"macro value", "G00 X1. Y0\nG00 X#101\n", 3, x, "?", "line 2: macro value not evaluated (X#101)"},
        {"M98 call", "M98 P1000 Y0\n", 2, x, "?", "call to a program the scan does not have (M98P1000Y0)"},
        {"G65 call", "G65 P9000 A1. Y0\n", 2, x, "?", "macro call (G65P9000A1.Y0)"},
        {"incremental from nowhere", "G91 X5. Y0\n", 2, x, "?", "incremental move of X from an unknown position"},
        {"reference return: Z at the top, no doubt", "G00 Z5. Y0\nG91 G28 Z0\n", 3, z, "?", ""},
        {"G92 sets coordinates", "G92 X0 Y0\n", 2, x, "0", "coordinate system set by G92"},
        {"rotation in force", "G68 X0 Y0 R30.\n", 2, x, "?", "coordinate rotation (G68) in force"},
        {"unknown G code", "G05.1 Q1 Y0\n", 2, x, "?", "G05.1 not known"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto plan = plan_resume(c.program + "N99\n", c.line);
        ASSERT_TRUE(plan.has_value());
        EXPECT_EQ(c.field(plan->state), c.expected);
        std::string all;
        for (const std::string& w : plan->scan_warnings) all += w + "\n";
        if (c.warning.empty())
            EXPECT_EQ(all, "");
        else
            EXPECT_NE(all.find(c.warning), std::string::npos) << all;
    }
}

TEST(ModalScan, NoPlanForALineOutsideTheProgram) {
    for (const int line : {0, 3, -1})
        EXPECT_FALSE(plan_resume("G00\r\nG01\r\n", line).has_value()) << line;
}

// The preamble's blocks in their order: the samples, then one row per rule
// of a safe restart.
TEST(Preamble, BlocksInTheSafeOrder) {
    struct Case {
        const char* name;
        std::string program;
        int line;
        const char* clearance;  // nullptr: the proposed one
        std::vector<std::string> blocks;
        std::string warning;
    };
    const std::string tools =
        "G21 G90 G17\nT1 M06\nS900 M03 M08\nG00 X0 Y0\nG43 H1 Z5.\nG01 Z-1. F80.\n"
        "X5. F300.\nG53 Z0 M05\nT2 M06\nG00 X1. Y1.\n";
    // clang-format off
    const Case cases[] = {
        {"mill, compensated", sample("mill.nc"), 12, nullptr,
         {"G21", "G17", "G40 G80", "G91 G28 Z0", "G54", "T3 M06", "T4", "S2400 M03", "M08", "G00 G90 X0 Y40.",
          "G00 G90 G43 Z2. H3", "G01 G90 Z-4.5 F150.", "G90 G01 F400."}, "cutter compensation G41 D13 was in force before line 12"},
        {"mill, the line writes its own arc code", sample("mill.nc"), 14, "50",
         {"G21", "G17", "G40 G80", "G91 G28 Z0", "G54", "T3 M06", "T4", "S2400 M03", "M08", "G00 G90 X40. Y30.",
          "G00 G90 G43 Z50. H3", "G01 G90 Z-4.5 F150.", "G91 F400."}, "cancelled"},
        {"lathe: retract before the turret indexes", sample("lathe.nc"), 11, nullptr,
         {"G21", "G18", "G40 G80", "G28 U0 W0", "T0101", "G50 S2500", "G96 S180 M03", "M08", "G99", "G00 X48. Z2.",
          "G00 F0.2"}, ""},
        {"new tool without H: no Z, nothing of the old tool", tools + "Z5.\n", 11, nullptr,
         {"G21", "G17", "G40 G80", "G53 Z0", "T2 M06", "M05", "M09", "G00 G90 X1. Y1.", "G90 G00 F300."},
         "no tool length offset (G43 H) given for T2 after its change at line 9 before line 11: the preamble makes no move in Z"},
        {"new tool with H, G53 retract, plunge feed", tools + "G43 H2 Z5.\nS1200 M04\nG01 Z-2. F90.\nX9. F250.\n", 14, nullptr,
         {"G21", "G17", "G40 G80", "G53 Z0", "T2 M06", "S1200 M04", "M09", "G00 G90 X1. Y1.", "G00 G90 G43 Z5. H2",
          "G01 G90 Z-2. F90.", "G90 G01"}, ""},
        {"lathe: a feed line keeps G01", "T0101\nG28 U0 W0\nT0202\nG00 X30. Z2.\nG01 Z-20. F.2\nX34.\n", 6, nullptr,
         {"G40 G80", "G28 U0 W0", "T0202", "M05", "M09", "G00 X30. Z2.", "G01 Z-20. F.2", "G01"}, ""},
        {"lathe: into a groove only as the program fed", "T0101\nG28 U0 W0\nT0303\nG00 X45. Z-20.\nG01 X36. F.05\nG04 X.5\n", 6,
         nullptr, {"G40 G80", "G28 U0 W0", "T0303", "M05", "M09", "G00 X45. Z-20.", "G01 X36. F.05", "G01"}, ""},
        {"L repeats: no approach on X", "G21 G90 G00 X0 Y0 Z5.\nG91 X.480 L6\nG90\n", 3, nullptr,
         {"G21", "G40 G80", "M05", "M09", "G00 G90 Z5.", "G91 G00"}, "repeated incremental move of X not followed"},
        {"cancelled drill cycle leaves G00", "G21 G90 G00 Z5.\nX0 Y0\nG99 G81 X10. Z-8. R1. F50.\nX20.\nX30.\nG80\n", 4, nullptr,
         {"G21", "G40 G80", "G99", "M05", "M09", "G00 G90 Z5.", "G00 G90 X10. Y0", "G90 G00 F50."},
         "lines 4, 5: positions of the G81 cycle, not cut after the preamble cancels it"},
        {"traverse at the program's height", "G21 G90 G00 X0 Y0 Z10.\nZ1.\nG01 Z-1. F50.\nX5. F200.\nG00 Z3.\nX20.\nZ1.\nG01 Z-1.\nX25.\n", 9, nullptr,
         {"G21", "G40 G80", "M05", "M09", "G00 G90 Z3.", "G00 G90 X20. Y0", "G00 G90 Z1.", "G01 G90 Z-1. F200.", "G90 G01"}, ""},
        {"no clearance: no approach", "G21 G00 X1. Y2.\n", 2, "",
         {"G21", "G40 G80", "M05", "M09", "G00"}, "no clearance height before line 2"},
        {"nothing known", "%\n", 1, nullptr, {"G40 G80", "M05", "M09"}, "units (G20 / G21) not set before line 1"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto plan = plan_resume(c.program + "N99\n", c.line);
        ASSERT_TRUE(plan.has_value());
        if (c.clearance != nullptr) set_clearance(*plan, c.clearance);
        EXPECT_EQ(plan->blocks, c.blocks);
        std::string all;
        for (const std::string& w : plan->warnings()) all += w + "\n";
        EXPECT_NE(all.find(c.warning), std::string::npos) << all;
    }
}

// A typed clearance is written as the program writes Z, and refused below the
// start on a mill; a refused one makes no approach.
TEST(Preamble, ClearanceInTheProgramsNotation) {
    const std::string points = "G21 G90 G00 X0 Y0 Z2.\n", whole = "G21 G90 G00 X0 Y0 Z20000\n";
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = {
        {points, " 5 ", "5.", ""},
        {points, "1.5", "1.5", "below the start height Z2."},
        {whole, "30000", "30000", ""},
        {whole, "3.", "3.", "writes Z without a decimal point"},
        {points, "2,5", "2,5", "not a number"},
        {"T0101\nG00 X20. Z2.\n", "1.", "1.", ""},  // a lathe's start may lie beyond it
    };
    for (const auto& [program, typed, text, problem] : cases) {
        SCOPED_TRACE(typed);
        auto plan = plan_resume(program + "N99\n", 2);
        set_clearance(*plan, typed);
        EXPECT_EQ(plan->clearance, text);
        EXPECT_NE(plan->clearance_problem.find(problem), std::string::npos)
            << plan->clearance_problem;
        if (*problem != '\0') {
            EXPECT_EQ(plan->warnings().front(), plan->clearance_problem);
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
