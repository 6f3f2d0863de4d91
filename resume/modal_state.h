// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modal state a program has built up before a given line: what the
// control needs restored to read that line as it would have in a whole run.
// The scan reads the program as loaded (the view's text) from the top; where
// it cannot be sure (macros, calls, moves from an unknown place) it says so in
// warnings instead of guessing.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "motion/modal_codes.h"
#include "resume/nc_block.h"

namespace feedrite {

/// The last programmed position of one axis, in absolute work coordinates.
struct AxisPosition {
    char letter = 0;
    bool known = false;
    NcNumber position;
};

/// Modal groups hold the code in tenths (G54.1 = 541, M08 = 80); empty = never
/// set before the line. Words hold their value as written.
/// The groups it shares with the motion model are kept as that model keeps them.
struct ModalState : ModalCodes {
    MachineKind kind = MachineKind::Mill;
    std::string work_offset;            ///< "G54", "G54.1 P2"
    std::optional<int> cutter_comp;     ///< G40..G42
    std::string comp_d;                 ///< D of G41/G42
    std::optional<int> tool_length;     ///< G43/G44/G49 given for the tool in the spindle
    std::string length_h;               ///< H of G43/G44 given for the tool in the spindle
    std::string feed;                   ///< F
    std::optional<int> speed_mode;      ///< G96/G97
    std::string speed;                  ///< S
    std::string speed_limit;            ///< S of G50 (lathe) or G92 S
    std::optional<int> spindle;         ///< M03/M04/M05
    std::optional<int> coolant;         ///< M07/M08/M09
    std::string tool;                   ///< mill: in the spindle after M06; lathe: the T word
    std::string next_tool;              ///< mill: selected by T, not yet changed
    std::int64_t tool_change_line = 0;  ///< the last M06 (lathe: T of another tool); 0 = none
    std::int64_t cycle_line = 0;        ///< where the cycle in force was called
    std::array<AxisPosition, 6> axes{{{'X', false, {}},
                                      {'Y', false, {}},
                                      {'Z', false, {}},
                                      {'A', false, {}},
                                      {'B', false, {}},
                                      {'C', false, {}}}};
    std::optional<NcNumber> highest_z;  ///< the highest Z reached in work coordinates
    /// Where the last rapid that moved Z ended, and the Z at which the last
    /// rapid in X or Y ran (empty: unknown, or at a machine retract).
    std::optional<NcNumber> rapid_z, traverse_z;
    bool traverse_retracted = false;  ///< the last rapid in X or Y ran at a machine retract
    std::string plunge_feed;          ///< F of the last feed move in Z alone
    /// A lathe's last rapid ended at X `rapid_x` Z `rapid_z` (`rapid_z` empty
    /// where unknown); its last feed in X alone.
    std::optional<NcNumber> rapid_x;
    std::string plunge_feed_x;
    std::string at_retract;  ///< the axes standing at a machine retract (G28, G53) before the line
    bool z_points = true;    ///< the program writes positions with a decimal point

    // Facts of the whole program, not only of the lines before the one resumed at.
    /// Tool length offsets (G43/G44) are called somewhere in the program.
    bool length_offsets_used = false;
    /// How the program retracts before its tool changes: blocks that move in
    /// machine terms only (G53, G28 / G30 from where the tool stands).
    std::vector<std::string> retract;
    /// The motion code (tenths) written in the line resumed at, if any.
    std::optional<int> line_motion;
    /// The line resumed at changes the tool: it makes its own approach.
    bool line_changes_tool = false;
    /// From that line the program gives G43 / G44 with H before any move in Z.
    bool offset_follows = false;

    [[nodiscard]] const AxisPosition& axis(char letter) const;
};

struct ModalScan {
    ModalState state;
    std::vector<std::string> warnings;
};

/// The block, reduced to its G codes and axis words, when it moves in
/// machine terms only: G53 on its own, or G28 / G30 through the point where
/// the tool stands (incremental zeros). Empty for any other block.
[[nodiscard]] std::string machine_retract(const NcLine& block, MachineKind kind);

/// The state before `line` (1-based) of `lines`: lines 1 to line - 1 read;
/// on a lathe also a G70 from the line on whose contour lies before it.
[[nodiscard]] ModalScan scan_modal_state(const std::vector<std::string_view>& lines,
                                         std::int64_t line);

}  // namespace feedrite
