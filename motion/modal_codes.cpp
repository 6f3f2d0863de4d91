// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/modal_codes.h"

#include <algorithm>

namespace feedrite {
namespace {

constexpr bool is_work_offset(int g) {
    return (g >= 540 && g <= 590 && g % 10 == 0) || g == 541 || g == 1540 ||
           (g >= 1100 && g <= 1290 && g % 10 == 0);
}

}  // namespace

bool has_any(const NcLine& block, std::string_view letters) {
    return std::any_of(block.words.begin(), block.words.end(), [&](const NcWord& w) {
        return letters.find(w.letter) != std::string_view::npos;
    });
}

const std::vector<Transform>& transforms() {
    static const std::vector<Transform> list = {
        {680, "coordinate rotation", 690},    {511, "mirror image", 501},
        {160, "polar coordinates", 150},      {660, "modal macro call", 670},
        {121, "polar interpolation", 131},    {510, "scaling", 500},
        {520, "local coordinate system", -1},
    };
    return list;
}

GKind classify_g(int g, MachineKind kind, const NcLine& block) {
    const bool lathe = kind == MachineKind::Lathe;
    // On a lathe G90 / G94 with axes and no motion code is a turning or facing cycle.
    const auto cycle_block = [&] {
        const bool motion_word =
            std::any_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
                return w.letter == 'G' && w.plain && is_motion_code(code_tenths(w));
            });
        return lathe && has_any(block, "XYZUWABC") && !motion_word;
    };
    if (is_motion_code(g)) return GKind::Motion;
    if (g >= 170 && g <= 190 && g % 10 == 0) return GKind::Plane;
    if (g == 200 || g == 210 ||
        // inch / metric on controls that use G70 / G71 for it
        ((g == 700 || g == 710) && !lathe && !has_any(block, "PQUWRD")))
        return GKind::Units;
    if (g >= 700 && g <= 760 && lathe) return GKind::LatheCycle;
    if (((g == 900 || g == 940) && cycle_block()) || (g == 920 && lathe && has_any(block, "F")))
        return GKind::TurningCycle;
    if (g == 900 || g == 910) return GKind::Distance;
    if (g == 940 || g == 950 || (lathe && (g == 980 || g == 990))) return GKind::FeedMode;
    if (g == 930) return GKind::InverseTime;
    if (g == 960 || g == 970) return GKind::SpeedMode;
    if (is_work_offset(g)) return GKind::WorkOffset;
    if (g >= 400 && g <= 420 && g % 10 == 0) return GKind::CutterComp;
    if (g == 430 || g == 440 || g == 490) return GKind::ToolLength;
    if (g == 800) return GKind::CycleCancel;
    if (is_drill_cycle(g)) return GKind::DrillCycle;
    if ((g == 500 && lathe) || g == 920) return GKind::CoordinateSet;
    if (g == 280 || g == 300 || g == 310 || g == 530) return GKind::MachineMove;
    if (g == 40) return GKind::Dwell;
    if (g == 100 || g == 110 || g == 270) return GKind::NoMove;
    if (g == 980 || g == 990) return GKind::ReturnLevel;
    if (g == 90 || (g >= 610 && g <= 640)) return GKind::NoEffect;
    if (g == 650 || g == 660) return GKind::MacroCall;
    if (g == 520) return GKind::LocalSystem;
    if (std::any_of(transforms().begin(), transforms().end(),
                    [g](const Transform& t) { return t.on == g || t.off == g; }))
        return GKind::Transform;
    return GKind::Unknown;
}

WordRoles word_roles(const NcLine& block, MachineKind kind) {
    WordRoles roles;
    for (const NcWord& w : block.words) {
        if (w.letter != 'G' || !w.plain) continue;
        const int g = code_tenths(w);
        switch (classify_g(g, kind, block)) {
            case GKind::Dwell:
            case GKind::NoMove:
                roles.feed_rate = g != 100;
                break;
            case GKind::MacroCall:
                roles.feed_rate = false;
                break;
            case GKind::CoordinateSet:
                roles.spindle_speed = find_word(block, 'S') == nullptr;
                break;
            default:
                break;
        }
    }
    return roles;
}

void apply_modal(ModalCodes& codes, int g, GKind kind) {
    switch (kind) {
        case GKind::Motion:
            codes.motion = g, codes.cycle.reset();
            break;
        case GKind::Plane:
            codes.plane = g;
            break;
        case GKind::Units:
            codes.units = g;
            break;
        case GKind::Distance:
            codes.distance = g;
            break;
        case GKind::FeedMode:
            codes.feed_mode = g;
            break;
        case GKind::CycleCancel:
            codes.cycle.reset();
            break;
        case GKind::DrillCycle:
        case GKind::TurningCycle:
            codes.cycle = g;
            break;
        case GKind::ReturnLevel:
            codes.return_level = g;
            break;
        default:
            break;
    }
}

MachineKind machine_kind_of(const std::vector<std::string_view>& lines) {
    bool mill = false, lathe = false;
    for (const std::string_view text : lines) {
        const NcLine block = read_nc_line(text);
        for (const NcWord& w : block.words) {
            const int code = code_tenths(w);
            mill = mill || w.letter == 'Y' || (w.letter == 'M' && code == 60) ||
                   (w.letter == 'G' && (code == 430 || code == 440));
            lathe = lathe || w.letter == 'U' || w.letter == 'W' ||
                    (w.letter == 'G' && (code == 960 || code == 970 || code == 500)) ||
                    (w.letter == 'T' && w.plain && w.text.size() >= 4);
        }
        if (mill) return MachineKind::Mill;
    }
    return lathe ? MachineKind::Lathe : MachineKind::Mill;
}

}  // namespace feedrite
