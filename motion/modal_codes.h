// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one reading of a program's G codes: which modal group a code belongs
// to, and the modal state both the motion model and the resume scan keep.
// Codes are whole tenths (G54.1 = 541, G01 = 10).

#include <optional>
#include <string_view>
#include <vector>

#include "motion/nc_words.h"

namespace feedrite {

enum class MachineKind { Mill, Lathe };

/// What a G code does, decided once for every reader of the program.
enum class GKind {
    Motion,         ///< G00 G01 G02 G03 G32 G33
    Plane,          ///< G17 G18 G19
    Units,          ///< G20 G21, and G70 G71 on a mill when they carry no cycle words
    LatheCycle,     ///< a lathe's G70..G76: words are cycle data, not moves
    TurningCycle,   ///< a lathe's G90 / G94 with axes and no motion code, G92 with F
    Distance,       ///< G90 G91
    FeedMode,       ///< G94 G95, on a lathe G98 G99
    InverseTime,    ///< G93
    SpeedMode,      ///< G96 G97
    WorkOffset,     ///< G54..G59, G54.1, G110..G129, G154
    CutterComp,     ///< G40 G41 G42
    ToolLength,     ///< G43 G44 G49
    CycleCancel,    ///< G80
    DrillCycle,     ///< G73 G74 G76 G81..G89 (a mill's)
    CoordinateSet,  ///< G92 (no F on a lathe), a lathe's G50
    MachineMove,    ///< G28 G30 G31 G53: the end is in machine terms or found by a probe
    Dwell,          ///< G04
    NoMove,         ///< G10 G11 G27: data or checks
    ReturnLevel,    ///< a mill's G98 G99
    NoEffect,       ///< G09 G61..G64: exact stop and cutting modes
    MacroCall,      ///< G65 G66
    LocalSystem,    ///< G52
    Transform,      ///< rotation, mirror, polar, scaling on or off
    Unknown,
};

/// `block` is the block the code stands in: some codes depend on its words.
[[nodiscard]] GKind classify_g(int g, MachineKind kind, const NcLine& block);

/// What a block's F and S are: the feed rate and the spindle speed, unless a
/// code makes F data (G10) or a macro's argument (G65 / G66), or S a speed
/// limit (G50 / G92); the codes count in the order they stand.
struct WordRoles {
    bool feed_rate = true, spindle_speed = true;
};
[[nodiscard]] WordRoles word_roles(const NcLine& block, MachineKind kind);

/// G68 / G51.1 / G16 / G12.1 / G51 / G52 switch a transform on; the code
/// that turns it off, or -1.
struct Transform {
    int on;
    const char* name;
    int off;
};
[[nodiscard]] const std::vector<Transform>& transforms();

/// The modal groups both readers keep, each the code in tenths; empty until
/// the program sets it.
struct ModalCodes {
    std::optional<int> motion;        ///< G00..G03
    std::optional<int> cycle;         ///< canned or turning cycle in force
    std::optional<int> plane;         ///< G17..G19
    std::optional<int> units;         ///< G20/G21 or G70/G71, as written
    std::optional<int> distance;      ///< G90/G91
    std::optional<int> feed_mode;     ///< G94/G95, on a lathe also G98/G99
    std::optional<int> return_level;  ///< a mill's G98/G99 for its drill cycles
};

/// Takes `g` of kind `kind` into `codes`; the other kinds leave it as it was.
void apply_modal(ModalCodes& codes, int g, GKind kind);

[[nodiscard]] constexpr bool is_motion_code(int g) {
    return g == 0 || g == 10 || g == 20 || g == 30 || g == 320 || g == 330;
}
[[nodiscard]] constexpr bool is_drill_cycle(int g) {
    return g == 730 || g == 740 || g == 760 || (g >= 810 && g <= 890);
}

/// What an M code does to the program's flow, decided once for every reader.
enum class MFlow { None, Call, Return, End };
/// M97, M98 and M198 call a program the readers do not have; M99 returns or
/// jumps; M02 and M30 end the program. `m` in tenths.
[[nodiscard]] constexpr MFlow m_flow(int m) {
    if (m == 970 || m == 980 || m == 1980) return MFlow::Call;
    if (m == 990) return MFlow::Return;
    if (m == 20 || m == 300) return MFlow::End;
    return MFlow::None;
}

/// Whether any word of `block` has one of `letters`.
[[nodiscard]] bool has_any(const NcLine& block, std::string_view letters);

/// Mill or lathe, from the words of the whole program: Y, M06 or G43/G44 say
/// mill; U, W, G96/G97, G50 or a four-digit T say lathe.
[[nodiscard]] MachineKind machine_kind_of(const std::vector<std::string_view>& lines);

}  // namespace feedrite
