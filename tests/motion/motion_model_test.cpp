// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/motion_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "base/file_io.h"
#include "base/limits.h"
#include "motion/estimate.h"

namespace feedrite {
namespace {

constexpr double pi = std::numbers::pi;

MotionModel model_of(const std::string& program, MachineKind kind = MachineKind::Mill) {
    // Rapids at 100 mm/s.
    return MotionModel(program_lines(program), MotionSettings{kind, 6000});
}

// Each program's machining time, worked out by hand. A first move from an
// unknown place has no time: the tables start with one where it matters.
TEST(MotionModel, MachiningTimeOfShortPrograms) {
    const struct {
        const char* name;
        MachineKind kind;
        const char* program;
        double seconds;
    } cases[] = {
        {"absolute line: 50 mm at 10 mm/s", MachineKind::Mill,
         "G90 G21 G94\nG00 X0 Y0 Z0\nG01 X30 Y40 F600\n", 5},
        {"rapid along the line", MachineKind::Mill, "G90 G00 X0 Y0 Z0\nX60 Y80\n", 1},
        {"incremental from an unknown place", MachineKind::Mill, "G91 G01 X3 Y4 F60\nX3 Y4\n", 10},
        {"an absolute move from an unknown place has no time", MachineKind::Mill,
         "G90 G01 X3 Y4 F60\n", 0},
        {"inch: feed in inches per minute", MachineKind::Mill, "G20 G91 G01 X1 F10\n", 6},
        {"inch: rapid rate in mm/min", MachineKind::Mill, "G20 G91 G00 X10\n", 2.54},
        {"L repeats an incremental move", MachineKind::Mill, "G91 G01 X10 L3 F600\n", 3},
        {"per revolution", MachineKind::Mill, "G95 S1000 G91 G01 X10 F0.1\n", 6},
        {"inverse time", MachineKind::Mill, "G93 G91 G01 X10 F2\n", 30},
        {"full circle in G17", MachineKind::Mill, "G91 G17 G02 I10 F60\n", 20 * pi},
        {"quarter by R, counter-clockwise", MachineKind::Mill,
         "G90 G00 X0 Y0\nG03 X10 Y10 R10 F60\n", 5 * pi},
        {"three quarters by R-", MachineKind::Mill, "G90 G00 X0 Y0\nG03 X10 Y10 R-10 F60\n",
         15 * pi},
        {"G18: G03 is the quarter", MachineKind::Mill,
         "G90 G18 G00 X0 Y0 Z0\nG03 X10 Z10 I10 F60\n", 5 * pi},
        {"G18: G02 is the rest", MachineKind::Mill, "G90 G18 G00 X0 Y0 Z0\nG02 X10 Z10 I10 F60\n",
         15 * pi},
        {"G19 helix", MachineKind::Mill, "G91 G19 G03 J5 X10 F60\n", std::hypot(10 * pi, 10.0)},
        {"lathe: X is a diameter", MachineKind::Lathe, "G98 G00 X20 Z0\nG01 X40 F60\n", 10},
        {"lathe: U W steps", MachineKind::Lathe, "G98 G00 X20 Z0\nG01 U-20 W-10 F60\n",
         std::sqrt(200.0)},
        {"lathe: G99 per revolution", MachineKind::Lathe, "G99 S600 G00 X20 Z0\nG01 W-10 F0.1\n",
         10},
        {"lathe: per revolution until it says G98", MachineKind::Lathe,
         "S600 G00 X20 Z0\nG01 W-10 F0.1\n", 10},
        // G96: 200 m/min on 20 mm turns 10000 / pi rev/min.
        {"lathe: G96 along Z", MachineKind::Lathe, "G99 G96 S200 G00 X20 Z0\nG01 W-10 F0.1\n",
         60 * 10 * 20 * pi / (0.1 * 200000)},
        // Facing from radius 20 to 10: the time goes with the diameter.
        {"lathe: G96 facing", MachineKind::Lathe, "G99 G96 S200 G00 X40 Z0\nG01 X20 F0.1\n",
         60 * pi * (400 - 100) / (0.1 * 200000)},
        // Held to 2000 rev/min below radius 50 / pi.
        {"lathe: G50 limits G96", MachineKind::Lathe,
         "G50 S2000\nG99 G96 S200 G00 X40 Z0\nG01 X20 F0.1\n",
         60 * (pi * (400 - 2500 / (pi * pi)) / 20000 + (50 / pi - 10) / 200)},
        {"lathe: G97 after G96 keeps the speed", MachineKind::Lathe,
         "G99 G96 S200 G00 X20 Z0\nG97\nG01 W-10 F0.1\n", 60 * 10 * 20 * pi / (0.1 * 200000)},
        // In, along Z at F, out at F, back at rapid.
        {"lathe: a G90 pass", MachineKind::Lathe, "G98 G00 X40 Z2\nG90 X30 Z-20 F60\n",
         0.05 + 22 + 5 + 0.22},
        {"lathe: a G92 thread", MachineKind::Lathe, "G97 S500 G00 X40 Z2\nG92 X38 Z-20 F1.5\n",
         0.01 + 22 * 60 / 750.0 + 0.01 + 0.22},
        {"lathe: G94 faces, Z alone for the next pass", MachineKind::Lathe,
         "G98 G00 X50 Z2\nG94 X10 Z-1 F60\nZ-2\n", 23.23 + 24.24},
        {"dwells", MachineKind::Mill, "G04 P1500\nG04 X2.\nG4 X250\n", 3.75},
        {"lathe dwell by U", MachineKind::Lathe, "G04 U1.5\n", 1.5},
        // Each hole: 10 mm over (0.1 s), 8 mm down to R (0.08 s), 7 mm at 1 mm/s,
        // 7 mm back to R (0.07 s), then 8 mm up to the first level under G98.
        {"drill cycle, G98", MachineKind::Mill, "G90 G00 X0 Y0 Z10\nG81 X10 Z-5 R2 F60\nX20\nG80\n",
         2 * 7.33},
        {"drill cycle, G99", MachineKind::Mill,
         "G90 G00 X0 Y0 Z10\nG99 G81 X10 Z-5 R2 F60\nX20\nG80\n", 7.25 + 7.17},
        {"drill cycle, incremental, K3", MachineKind::Mill,
         "G90 G00 X0 Y0 Z10\nG91 G81 X10 Z-7 R-8 K3 F60\n", 3 * 7.33},
        // Pecks of 3 mm: out to R and back down after the first two.
        {"G83 pecks", MachineKind::Mill, "G90 G00 X0 Y0 Z10\nG83 X10 Z-5 R2 Q3 F60\n",
         0.1 + 0.08 + 7 + 0.06 + 0.12 + 0.07 + 0.08},
        {"G85 feeds back out", MachineKind::Mill, "G90 G00 X0 Y0 Z10\nG85 X10 Z-5 R2 F60\n",
         0.1 + 0.08 + 7 + 7 + 0.08},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(model_of(c.program, c.kind).machining_seconds(), c.seconds,
                    1e-4 * c.seconds + 1e-6);
    }
}

// What the model cannot follow is marked, and the axes it lost stay lost
// until an absolute move gives them again.
TEST(MotionModel, UnknownIsMarkedNotGuessed) {
    const struct {
        const char* name;
        const char* program;
        int unknown_line;  // the block marked unknown
        bool known_after;  // the position is known at the end
    } cases[] = {
        {"macro value", "G90 G00 X0 Y0 Z0\n#1=5\nG01 X#1 F60\n", 3, false},
        {"machine move", "G90 G00 X0 Y0 Z0\nG28 Z0\nG01 Z5 F60\n", 3, true},
        {"call", "G90 G00 X0 Y0 Z0\nM98 P100\nG00 X1\n", 2, false},
        {"local call", "G90 G00 X0 Y0 Z0\nM97 P100\nG00 X1\n", 2, false},
        {"macro call", "G90 G00 X0 Y0 Z0\nG65 P9000\nG01 X10 F60\n", 3, false},
        {"new work offset", "G54 G90 G00 X0 Y0 Z0\nG55\nG01 X10 F60\n", 3, false},
        {"rotation", "G90 G00 X0 Y0 Z0\nG68 X0 Y0 R30\nG01 X10 F60\n", 3, false},
        {"rotation, not ended by G67", "G90 G00 X0 Y0 Z0\nG68 X0 Y0 R30\nG67\nG91 G01 X10 F60\n", 4,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MotionModel m = model_of(c.program);
        const BlockMotion& b = m.blocks()[static_cast<std::size_t>(c.unknown_line - 1)];
        EXPECT_NE(b.flags & block_unknown, 0);
        EXPECT_EQ(b.seconds, 0.0f);
        EXPECT_EQ((m.moves().back().flags & (move_x_unknown | move_z_unknown)) == 0, c.known_after);
    }
    // G92 makes where the tool stands known.
    const MotionModel set = model_of("G92 X0 Y0 Z0\nG90 G01 X3 Y4 F60\n");
    EXPECT_NEAR(set.machining_seconds(), 5, 1e-6);
}

// The moves a view draws: ends, arc centres and directions, and the cutting blocks.
TEST(MotionModel, MovesCarryTheirGeometry) {
    const MotionModel m =
        model_of("G90 G17 G00 X0 Y0 Z5\nG01 Z0 F100\nG02 X10 Y0 I5 J0\nG81 X20 Z-1 R1\nM30\n");
    ASSERT_EQ(m.moves().size(), 3u + 5u);  // rapid, feed, arc; the hole's five
    const Move& arc = m.moves()[2];
    EXPECT_EQ(arc.kind, MoveKind::Arc);
    EXPECT_EQ(m.line_of(2), 3);
    EXPECT_EQ(m.line_of(0), 1);
    EXPECT_EQ(m.line_of(7), 4);
    EXPECT_NE(arc.flags & move_clockwise, 0);
    EXPECT_EQ(arc.to, (std::array<float, 3>{10, 0, 0}));
    ASSERT_TRUE(m.arc_of(2) != nullptr && m.arc_of(1) == nullptr);
    const ArcCentre& centre = *m.arc_of(2);
    EXPECT_EQ(centre.centre, (std::array<float, 3>{5, 0, 0}));
    EXPECT_NEAR(centre.sweep, pi, 1e-6);
    EXPECT_EQ(m.start_of(3), arc.to);
    const std::uint8_t cutting[] = {0, block_feed, block_feed, 0, 0};
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(m.blocks()[i].flags & block_feed, cutting[i]) << "line " << i + 1;
}

// Tape and machining time worked by hand at 100 cps: a leader of 3 and a
// trailer of 1 character, each block with its 2 end-of-block characters,
// the masked comment not sent, and the empty block after the last break.
TEST(Estimate, FiguresWorkedByHand) {
    PortSettings settings;
    settings.speed_cps = 100;
    settings.BTReob = "\r\n";
    settings.leader_sent = "%\r\n";
    settings.trailer_sent = "%";
    settings.BTRmaskcomments = true;
    settings.rapid_mm_per_min = 6000;
    settings.BTRreset = "M30";  // not in the program: the whole of it goes
    const std::string text =
        "G21 G90 G94\r\nG00 X0 Y0 Z0(START)\r\nG01 X30. Y40. F600.\r\nG04 P2000\r\n";
    ProgramEstimate e = estimate_program(text, settings);
    // 3 + 13 + 14 + 21 + 11 + 2 + 1 characters
    EXPECT_NEAR(e.tape_seconds, 0.65, 1e-9);
    EXPECT_NEAR(e.machining_seconds, 5 + 2, 1e-6);  // 50 mm at 10 mm/s, the dwell
    // From the cut on: 5 s, then the dwell, its tape read during the cut.
    EXPECT_EQ(std::vector<float>(e.left.begin() + 2, e.left.end()), (std::vector<float>{7, 2, 0}));
    EXPECT_EQ(e.unknown_blocks, 1U);  // the first move, from an unknown place
    EXPECT_TRUE(e.speed_known);
    settings.BTRformat = "Y3";  // refuses X30.: that block is not sent
    EXPECT_NEAR(estimate_program(text, settings).tape_seconds, 0.65 - 0.21, 1e-9);
    settings.speed_cps.reset();
    e = estimate_program(text, settings);
    EXPECT_EQ(e.tape_seconds, 0.0);
    EXPECT_FALSE(e.speed_known);
}

// The sample shaft job, worked by hand block by block (G96 S180 held to
// 2500 rev/min; rapids at 100 mm/s; the moves after G28 start from an
// unknown place and have no time).
TEST(MotionModel, TheSampleLatheJobByHand) {
    std::string text;
    FileError error;
    ASSERT_TRUE(read_whole_file(FEEDRITE_TEST_DATA_DIR "/resume/lathe.nc", text, error,
                                program_size_limit));
    const double knee = 180000 / (pi * 2500) / 2;  // radius where the limit takes over
    const double seconds =
        60 * pi * 52 * 2 / (0.2 * 180000)  // N60: Z2 to Z0
        + 60 * (pi * (26 * 26 - knee * knee) / (0.2 * 180000) + (knee + 0.8) / (0.2 * 2500))  // N70
        + std::hypot(24.8, 2.0) / 100                                                         // N80
        + 60 * pi * 48 * 42 / (0.25 * 180000)                                                 // N90
        + 60 * pi * 49 * std::sqrt(2.0) / (0.25 * 180000)  // N100, mean diameter
        + std::hypot(5.0, 43.0) / 100                      // N110
        + 60 * 7.5 / (0.05 * 800) + 0.1;                   // N160, N170
    EXPECT_NEAR(model_of(text, MachineKind::Lathe).machining_seconds(), seconds, 1e-3);
}

// Each move from rest to rest: up to speed and down again at the path's
// acceleration, the slowest axis for its share of the step.
TEST(MotionModel, AccelerationWhereTheDeviceKnowsIt) {
    EXPECT_DOUBLE_EQ(with_acceleration(100, 10, 100), 10.1);     // reaches 10 mm/s
    EXPECT_DOUBLE_EQ(with_acceleration(1, 0.01, 100), 0.2);      // never at 100 mm/s
    EXPECT_DOUBLE_EQ(with_acceleration(10, 0.1, 100, 10), 1.1);  // an arc's limit
    EXPECT_DOUBLE_EQ(with_acceleration(10, 1, 0), 1);
    MotionSettings settings{MachineKind::Mill, 6000};
    settings.acceleration = {100, 50, 0};
    // 0.6 of the step on X, 0.8 on Y: Y's 50 / 0.8 = 62.5 mm/s^2 at 10 mm/s.
    const MotionModel m(program_lines("G90 G21 G94\nG00 X0 Y0 Z0\nG01 X30 Y40 F600\n"), settings);
    EXPECT_NEAR(m.machining_seconds(), 5 + 10 / 62.5, 1e-5);
}

// The control against the tape, worked by hand: each wait is the next
// block's read less what the control still had to run.
TEST(Starvation, StopsInTheCutAsTheControlReads) {
    // machining, tape, cuts, moves, time known
    const std::vector<BlockFigures> blocks = {
        {0.1, 0.2, true, true, true},    // 0: first: nothing before it
        {0.05, 0.3, true, true, true},   // 1: stops 0.3 - 0.1
        {0.01, 0.5, false, true, true},  // 2: a rapid: out of the cut
        {0.2, 0.1, true, true, true},    // 3: after a rapid: no stop
        {0.1, 0.5, true, true, true},    // 4: stops 0.5 - 0.2
        {1.0, 0.05, true, true, true},   // 5: read in time
        {0, 2.0, false, false, true},    // 6: a comment: the tool stays in the cut, 1 s
        {0.1, 0.5, true, true, true},    // 7: and 0.5 more: one stop of 1.5 s
        {0, 0.1, true, true, false},     // 8: time unknown
        {0.1, 1.0, true, true, true},    // 9: its stop is unknown
        {0, 0.3, true, true, true},      // 10: known again: 0.3 - 0.1
    };
    const Starvation all = starvation(blocks, control_waits(blocks));
    EXPECT_NEAR(all.seconds, 2.2, 1e-12);
    EXPECT_EQ(all.blocks, 4u);
    EXPECT_EQ(all.unknown, 1u);
    ASSERT_EQ(all.worst.size(), 4u);
    EXPECT_EQ(all.worst[0].block, 7u);
    EXPECT_NEAR(all.worst[0].seconds, 1.5, 1e-12);
    EXPECT_EQ(all.worst[1].block, 4u);
    const Starvation one = starvation(blocks, control_waits(blocks), 1);
    EXPECT_EQ(one.blocks, 4u);
    ASSERT_EQ(one.worst.size(), 1u);

    // A buffer of two blocks reads far enough ahead for the short cut.
    const std::vector<BlockFigures> ahead = {
        {1.0, 0.1, true, true, true}, {0.1, 0.5, true, true, true}, {0.1, 0.5, true, true, true}};
    EXPECT_NEAR(starvation(ahead, control_waits(ahead, 1)).seconds, 0.4, 1e-12);
    EXPECT_EQ(starvation(ahead, control_waits(ahead, 2)).blocks, 0u);
}

TEST(Starvation, TheProgramsOwnLines) {
    PortSettings settings;
    settings.speed_cps = 10;
    settings.rapid_mm_per_min = 6000;
    settings.BTRreset = "M30";
    // Cuts of 1 ms each wait for their 0.5 s of tape; the dwell's 0.9 s of
    // tape is a stop before the cut after it; nothing after M30 is sent.
    const std::string program =
        "G21 G90 G94 F600\r\nG00 X0 Y0\r\nG01 X0.01\r\nX0.02\r\nX0.03\r\nG04 P2000\r\nX60\r\n"
        "M30\r\nX9000\r\n";
    const ProgramEstimate e = estimate_program(program, settings);
    EXPECT_EQ(e.waiting_lines, (std::vector<std::int32_t>{4, 5, 7}));
    EXPECT_NEAR(e.waits.seconds, 2 * 0.499 + 0.899, 1e-6);
    EXPECT_EQ(e.blocks_sent, 8u);
    EXPECT_NEAR(e.machining_seconds, 0.003 + 2 + 5.997 + 0.0, 1e-4);
    EXPECT_EQ(e.left[8], 0.0F);
    // Only stops over the threshold are marked.
    settings.wait_mark_s = 0.6;
    EXPECT_EQ(estimate_program(program, settings).waiting_lines, (std::vector<std::int32_t>{7}));
    // A control that reads three blocks ahead has the short cuts after a
    // long one before it needs them; acceleration lengthens the cut.
    const std::string long_cut =
        "G21 G90 G94 F600\r\nG00 X0 Y0\r\nG01 X100\r\nX100.001\r\nX100.002\r\nX100.003\r\n";
    EXPECT_EQ(estimate_program(long_cut, settings).waits.blocks, 2U);
    settings.read_ahead_blocks = 3;
    EXPECT_EQ(estimate_program(long_cut, settings).waits.blocks, 0U);
    // 10 mm/s reached in 1 s and lost in 1 s; each 1 um step never gets
    // there: 2 sqrt(0.001 / 10) s.
    settings.acceleration = {10, 10, 10};
    EXPECT_NEAR(estimate_program(long_cut, settings).machining_seconds, 11 + 3 * 0.02, 1e-5);
    // The delay between blocks is tape time: 9 blocks, 0.1 s each.
    const double tape = e.tape_seconds;
    settings.delay_ms[static_cast<std::size_t>(DelayKind::between_blocks)] = 100;
    EXPECT_NEAR(estimate_program(program, settings).tape_seconds - tape, 0.8, 1e-9);
}

}  // namespace
}  // namespace feedrite
