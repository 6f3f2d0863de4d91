// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/nc_interpreter.h"

#include <gtest/gtest.h>

#include <functional>

#include "resume/preamble.h"

namespace feedrite {
namespace {

std::string at(const NcState& s, char axis) {
    const AxisState& a = s.axis(axis);
    if (a.at.known()) return format_number(*a.at);
    return a.parked == Parked::No ? "?" : "top";
}

std::string flag(bool on) {
    return on ? "1" : "0";
}

NcState run(const std::string& program) {
    const std::vector<std::string_view> lines = program_lines(program);
    NcInterpreter interpreter(program_start_state(lines, machine_kind_of(lines)));
    for (std::size_t i = 0; i < lines.size(); ++i)
        (void)interpreter.read(lines[i], static_cast<std::int64_t>(i) + 1);
    return interpreter.state();
}

// One rule per row: what stays known, what anything outside the list makes
// unknown until the program sets it again absolutely.
TEST(NcInterpreter, UnknownIsContagious) {
    using Field = std::function<std::string(const NcState&)>;
    const Field xyz = [](const NcState& s) {
        return at(s, 'X') + " " + at(s, 'Y') + " " + at(s, 'Z');
    };
    const Field xz = [](const NcState& s) { return at(s, 'X') + " " + at(s, 'Z'); };
    const std::string top = "G21 G90 G54 G17\nG00 X1. Y2. Z3.\n";
    struct Case {
        const char* name;
        std::string program;
        Field field;
        std::string expected;
    };
    // clang-format off
    const Case cases[] = {
        {"absolute and incremental", top + "G91 X.25 Y-1.\n", xyz, "1.25 1. 3."},
        {"sums in the program's resolution", top + "G91 X.1\nX.2\nX-.3\nG90\n", xyz, "1. 2. 3."},
        {"incremental repeats are left to the control", top + "G91 X1. L3\n", xyz, "? 2. 3."},
        {"a call loses everything", top + "M98 P100\n", [](auto& s) { return at(s, 'X') + flag(s.spindle.known()); }, "?0"},
        {"a call from the memory card", top + "M198 P100\n", xyz, "? ? ?"},
        {"a macro call", top + "G65 P9000 A1.\n", xyz, "? ? ?"},
        {"a jump", top + "GOTO 10\n", xyz, "? ? ?"},
        {"a local variable changes nothing", top + "#1=5.\n", xyz, "1. 2. 3."},
        {"a system variable", top + "#5221=10.\n", xyz, "? ? ?"},
        {"a block with expressions", top + "G00 X[#1+1]\n", xyz, "? 2. 3."},
        {"an unknown code with axis words", top + "G47 P0 X5. Y5. Z-.1\n", [](auto& s) { return at(s, 'Z') + flag(s.motion.known()); }, "?0"},
        {"an unknown code without words is only reported", top + "G187\n", xyz, "1. 2. 3."},
        {"a rotation switched", top + "G68 X0 Y0 R30.\n", [](auto& s) { return at(s, 'X') + flag(s.plain_frame()); }, "?0"},
        {"a local shift off again", top + "G52 X5.\nG52 X0 Y0\nG00 X1. Y2. Z3.\n", [](auto& s) { return at(s, 'X') + flag(s.plain_frame()); }, "1.1"},
        {"G92 is a frame no block restores", top + "G92 X0 Y0\n", [](auto& s) { return at(s, 'X') + flag(s.plain_frame()); }, "00"},
        {"G10 writes offsets", top + "G10 L2 P1 X0\n", [](auto& s) { return at(s, 'X') + flag(s.plain_frame()); }, "?0"},
        {"another work offset", top + "G55\n", xyz, "? ? ?"},
        {"compensation: the plane's axes", top + "G41 D1 X5. Y5.\n", xyz, "? ? 3."},
        {"compensation ended by an absolute move", top + "G41 D1 X5. Y5.\nG40 X0 Y0\n", xyz, "0 0 3."},
        {"a units switch", top + "G01 X1. F50.\nG20\n", [](auto& s) { return at(s, 'X') + flag(s.feed.known()); }, "?0"},
        {"a units switch under a drill cycle", top + "G99 G81 X5. Z-8. R1. F50.\nG20\n", [](auto& s) { return flag(s.drill->plain); }, "0"},
        {"M06: Z at the change position", top + "T2 M06\n", [](auto& s) { return at(s, 'X') + " " + at(s, 'Z') + " " + *s.tool; }, "1. top 2"},
        {"G28 through here", top + "G91 G28 Z0\n", xyz, "1. 2. top"},
        {"G53 only in G90", top + "G53 Z0\n", xyz, "1. 2. top"},
        {"drill holes end at R under G99", top + "G99 G81 X5. Z-8. R1. F50.\nX9.\n", [](auto& s) { return at(s, 'X') + at(s, 'Z') + s.drill->words(); }, "9.1.Z-8. R1."},
        {"and at the first level under G98", top + "G98 G81 X5. Z-8. R1. F50.\n", xyz, "5. 2. 3."},
        {"an unmodelled cycle", top + "G87 X5. Z-8. R1.\n", xyz, "? ? ?"},
        {"a lathe contour is no move", "G21 T0101\nG00 X50. Z2.\nG71 U2. R1.\nG71 P10 Q20 U.5 F.3\nN10 G00 X20.\nN20 X40. Z-9.\n", xz, "50. 2."},
        {"a lathe G90 pass ends at its start", "G21 T0101\nG00 X50. Z2.\nG90 X45. Z-20. F.2\nX40.\n", xz, "50. 2."},
        {"a lathe index", "G21 T0101\nG00 X50. Z2.\nT0202\n", xz, "? ?"},
        {"a lathe's U and W", "G21\nG00 X50. Z2.\nU-2. W-1.\n", xz, "48. 1."},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.field(run(c.program)), c.expected);
    }
}

// What each kind of block did, read after a mill's (or a lathe's) setup:
// kind, known, the axes named, and the flags the resume reads.
TEST(NcInterpreter, WhatEachKindOfBlockDid) {
    const auto describe = [](const BlockEffect& e) {
        constexpr const char* kinds[] = {"none", "rapid", "feed", "cycle", "machine", "unknown"};
        std::string text = kinds[static_cast<int>(e.kind)];
        text += e.known ? "" : " not-known";
        for (std::size_t i = 0; i < axis_count; ++i)
            if ((e.axes & (1U << i)) != 0) text += std::string(" ") + axis_letters[i];
        text += e.tool_change ? " tool" : "";
        text += e.motion_written ? " motion" : "";
        text += e.cycle_written ? " drill" : "";
        text += e.turns_on ? " turns-on" : "";
        text += e.contour ? " contour" : "";
        if (e.lathe_cycle != 0) text += " " + code_text('G', e.lathe_cycle);
        if (!e.retract.empty()) text += " [" + e.retract + "]";
        for (const std::string& code : e.unknown_codes) text += " ?" + code;
        return text;
    };
    const std::string mill = "G21 G90 G54 G17\nT1 M06\nG00 X1. Y2. Z3.\n";
    const std::string lathe = "G21\nT0101\nG00 X50. Z2.\n";
    const std::pair<std::string, const char*> cases[] = {
        {mill + "X5.", "rapid X"},
        {mill + "G01 X5. Z-1. F100.", "feed X Z motion"},
        {mill + "G02 X2. Y0 R1. F50.", "feed X Y motion"},
        {mill + "G99 G81 X5. Z-8. R1. F50.", "cycle X Z drill"},
        {mill + "G91 G28 Z0", "machine Z [G91 G28 Z0]"},
        {mill + "G53 Z0", "machine Z [G53 Z0]"},
        {mill + "T2 M06", "machine Z tool"},
        {mill + "G47 X1.", "unknown not-known ?G47"},
        {mill + "G41 D1 X5. Y5.", "rapid not-known X Y turns-on"},
        {mill + "G68 X0 Y0 R30.", "none turns-on"},
        {mill + "G00 X[#1]", "rapid not-known X motion"},
        {mill + "G04 P100 (WAIT)", "none"},
        {mill + "G187", "none ?G187"},
        {mill + "M98 P100", "none"},  // what follows it is unknown
        {lathe + "T0202", "none tool"},
        {lathe + "G01 U-2. F.2", "feed X motion"},
        {lathe + "G71 U2. R1.", "cycle G71"},
        {lathe + "G71 P10 Q20 U.5 F.3\nN10 G00 X20.", "none contour"},
    };
    for (const auto& [program, expected] : cases) {
        const std::vector<std::string_view> lines = program_lines(program);
        NcInterpreter interpreter(program_start_state(lines, machine_kind_of(lines)));
        BlockEffect last;
        for (std::size_t i = 0; i < lines.size(); ++i)
            last = interpreter.read(lines[i], static_cast<std::int64_t>(i) + 1);
        EXPECT_EQ(describe(last), expected) << program;
    }
}

// The modes after each kind of block, as codes ("?" unknown, "0" the
// control's own where the program never writes it): motion,
// units, distance, plane, feed mode, work offset, length offset H, cycle,
// return level, F, S, spindle, coolant, tool, next tool.
TEST(NcInterpreter, ModesAfterEachKindOfBlock) {
    const auto modes = [](const NcState& s) {
        const auto g = [](const Known<int>& k, char letter = 'G') {
            return k.known() ? (*k == 0 ? "0" : code_text(letter, *k)) : "?";  // 0: the control's
        };
        const auto str = [](const Known<std::string>& k) { return k.known() ? *k : "?"; };
        const auto num = [](const Known<NcNumber>& k) {
            return k.known() ? format_number(*k) : "?";
        };
        return (s.motion.known() ? code_text('G', *s.motion) : "?") + " " + g(s.units) + " " +
               g(s.distance) + " " + g(s.plane) + " " + g(s.feed_mode) + " " + str(s.work_offset) +
               " " + g(s.tool_length) + "H" + str(s.length_h) + " " +
               (s.drill.known() ? code_text('G', s.drill->g == 0 ? 800 : s.drill->g) : "?") + " " +
               g(s.return_level) + " F" + num(s.feed) + " S" + num(s.speed) + " " +
               g(s.spindle, 'M') + " " + g(s.coolant, 'M') + " T" + str(s.tool) + "/" +
               str(s.next_tool);
    };
    const std::string top =
        "G21 G90 G54 G17 G94\nT1 M06\nT2\nS800 M03 M08\nG00 X0 Y0\nG43 H1 Z5.\n";
    const std::pair<std::string, const char*> cases[] = {
        {"", "? 0 ? ? ?  G49H G80 ? F? S? M05 M09 T/"},
        {top, "G00 G21 G90 G17 G94 G54 G43H1 G80 ? F? S800 M03 M08 T1/2"},
        {top + "G01 Z-1. F80.", "G01 G21 G90 G17 G94 G54 G43H1 G80 ? F80. S800 M03 M08 T1/2"},
        {top + "G99 G83 X5. Z-8. R1. Q2. F50.",
         "G00 G21 G90 G17 G94 G54 G43H1 G83 G99 F50. S800 M03 M08 T1/2"},
        {top + "G81 X5. Z-8. R1. F50.\nG80",
         "G00 G21 G90 G17 G94 G54 G43H1 G80 ? F50. S800 M03 M08 T1/2"},
        {top + "G91 G28 Z0 M05 M09", "G00 G21 G91 G17 G94 G54 G43H1 G80 ? F? S800 M05 M09 T1/2"},
        {top + "M06", "G00 G21 G90 G17 G94 G54 ?H? G80 ? F? S800 M05 M09 T2/2"},
        {top + "G20", "G00 G20 G90 G17 G94 G54 G43H1 G80 ? F? S800 M03 M08 T1/2"},
        {top + "M98 P10", "? ? ? ? ? ? ?H? ? ? F? S? ? ? T?/?"},
        {top + "G01 Z-1. F80.\nF[#1]", "G01 G21 G90 G17 G94 G54 G43H1 G80 ? F? S800 M03 M08 T1/2"},
        {top + "G95 G18 G55 G49", "G00 G21 G90 G18 G95 G55 G49H1 G80 ? F? S800 M03 M08 T1/2"},
        {"G21\nT0101\nG97 S500 M04\nG99 G01 X20. F.2",
         "G01 G21 G90 G18 G99  G49H G80 ? F.2 S500 M04 M09 T0101/?"},
    };
    for (const auto& [program, expected] : cases)
        EXPECT_EQ(modes(run(program)), expected) << program;
}

// A line read into its words: kind, then each word as letter, text and
// notation (p: a point, its decimals, l: no digit before it; e: an expression).
TEST(NcWords, LinesReadIntoWords) {
    const auto words = [](std::string_view text) {
        const NcLine line = read_nc_line(text);
        constexpr const char* kinds[] = {"empty", "marker", "block", "statement"};
        std::string t = kinds[static_cast<int>(line.kind)];
        for (const NcWord& w : line.words) {
            t += std::string(" ") + w.letter + w.text;
            if (!w.plain) t += "e";
            if (w.number.point) t += "p" + std::to_string(w.number.decimals);
            if (!w.number.lead) t += "l";
        }
        return t + " [" + line.code + "]";
    };
    const std::pair<const char*, const char*> cases[] = {
        {"G01 X-1.5 y.25 F100", "block G01 X-1.5p1 Y.25p2l F100 [G01X-1.5Y.25F100]"},
        {"/N10 G1 X 1 . 5 (X9.) ; Y9.", "block N10 G1 X1.5p1 [/N10G1X1.5]"},
        {"(ONLY A COMMENT)", "empty []"},
        {"%", "marker [%]"},
        {"O1001 (PART)", "marker [O1001]"},
        {"#1=5.", "statement [#1=5.]"},
        {"IF [#1 GT 2] GOTO 10", "statement [IF[#1GT2]GOTO10]"},
        {"G00 X[#1+1] Z#5", "block G00 X[#1+1]e Z#5e [G00X[#1+1]Z#5]"},
        {"G54.1 P2 M98P100", "block G54.1p1 P2 M98 P100 [G54.1P2M98P100]"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(words(text), expected) << text;
    EXPECT_EQ(program_lines("A\r\nB\nC\rD\r\n"),
              (std::vector<std::string_view>{"A", "B", "C", "D"}));
    EXPECT_EQ(program_lines("A\n\nB"), (std::vector<std::string_view>{"A", "", "B"}));
}

// Blocks that move in machine terms only, reduced for the preamble to copy.
TEST(NcInterpreter, MachineRetract) {
    const std::tuple<const char*, MachineKind, const char*> cases[] = {
        {"G91 G28 Z0", MachineKind::Mill, "G91 G28 Z0"},
        {"G53 Z0 M05", MachineKind::Mill, "G53 Z0"},
        {"G28 U0 W0", MachineKind::Lathe, "G28 U0 W0"},
        {"G28 Z0", MachineKind::Mill, ""},  // through Z0 of the work
        {"G91 G28 Z5.", MachineKind::Mill, ""},
        {"G53 X0 Z0 F100.", MachineKind::Mill, ""},
        {"G00 Z50.", MachineKind::Mill, ""},
    };
    for (const auto& [text, kind, expected] : cases)
        EXPECT_EQ(machine_retract(read_nc_line(text), kind), expected) << text;
}

TEST(NcInterpreter, NumbersCompareInTheirResolution) {
    const auto n = [](const char* text) { return read_nc_line(text).words.front().number; };
    EXPECT_EQ(compare_numbers(n("Z2."), n("Z2.000")), 0);
    EXPECT_EQ(compare_numbers(n("Z.1"), n("Z.10000001")), -1);
    EXPECT_EQ(compare_numbers(n("Z20000"), n("Z19999")), 1);
}

}  // namespace
}  // namespace feedrite
