// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/restart_points.h"

#include <algorithm>

#include "base/stop_request.h"
#include "motion/nc_interpreter.h"

namespace feedrite {
namespace {

// How far the first cut may lie from a restart point.
constexpr std::int64_t reach = 500;

bool named(const BlockEffect& e, char axis) {
    return (e.axes & (1U << axis_index(axis))) != 0;
}

bool placed(const NcState& s, char axis) {
    return s.axis(axis).at.known() || s.axis(axis).parked != Parked::No;
}

bool sets_itself_up(const std::vector<std::string_view>& lines, std::int64_t line,
                    const NcState& start) {
    NcInterpreter interpreter(start);
    const bool lathe = start.kind == MachineKind::Lathe;
    const auto end = std::min<std::int64_t>(static_cast<std::int64_t>(lines.size()), line + reach);
    for (std::int64_t i = line; i <= end; ++i) {
        const bool clear = interpreter.state().axis('X').parked != Parked::No &&
                           interpreter.state().axis('Z').parked != Parked::No;
        const BlockEffect e = interpreter.read(lines[static_cast<std::size_t>(i - 1)], i);
        const NcState& s = interpreter.state();
        if (e.contour) return false;
        if (lathe && e.tool_change && !clear) return false;  // a turret indexes once clear
        if (e.kind == BlockKind::None || e.kind == BlockKind::Machine) {
            if (!e.known) return false;
            continue;
        }
        if (!e.known) return false;
        for (const char a : std::string_view(lathe ? "XZ" : "XYZ"))
            if (!named(e, a) && !placed(s, a)) return false;
        if (e.kind == BlockKind::Feed || e.kind == BlockKind::Cycle)
            return s.tool.known() && (s.spindle.is(30) || s.spindle.is(40)) && s.speed.known() &&
                   s.feed.known();
    }
    return false;
}

// Lines worth checking: each tool change and the few blocks before it that
// make no move of their own (its T, its retract), and the first block.
std::vector<std::int64_t> candidates(const std::vector<std::string_view>& lines, MachineKind kind) {
    std::vector<std::int64_t> out;
    NcInterpreter interpreter(program_start_state(lines, kind));
    std::vector<std::pair<std::int64_t, bool>> recent;  // line, moved
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (stop_requested_at(i)) return {};  // ending anyway: no points
        const auto line = static_cast<std::int64_t>(i) + 1;
        const BlockEffect e = interpreter.read(lines[i], line);
        if (first && read_nc_line(lines[i]).kind == NcLineKind::Block)
            out.push_back(line), first = false;
        if (e.tool_change) {
            out.push_back(line);
            for (auto it = recent.rbegin(); it != recent.rend() && it - recent.rbegin() < 3; ++it) {
                if (it->second) break;
                out.push_back(it->first);
            }
        }
        if (read_nc_line(lines[i]).kind != NcLineKind::Block) continue;  // no place to start
        const bool moved = e.kind != BlockKind::None && e.kind != BlockKind::Machine;
        recent.emplace_back(line, moved);
        if (recent.size() > 4) recent.erase(recent.begin());
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace

RestartPoints restart_points(const std::vector<std::string_view>& lines, std::int64_t line) {
    const MachineKind kind = machine_kind_of(lines);
    const NcState start = program_start_state(lines, kind);
    const std::vector<std::int64_t> all = candidates(lines, kind);
    RestartPoints points;
    const auto split = std::upper_bound(all.begin(), all.end(), line);
    for (auto it = split; it != all.begin();)
        if (sets_itself_up(lines, *--it, start)) {
            points.before = *it;
            break;
        }
    for (auto it = split; it != all.end(); ++it)
        if (sets_itself_up(lines, *it, start)) {
            points.after = *it;
            break;
        }
    return points;
}

std::vector<std::int64_t> all_restart_points(const std::vector<std::string_view>& lines) {
    const MachineKind kind = machine_kind_of(lines);
    const NcState start = program_start_state(lines, kind);
    std::vector<std::int64_t> out;
    for (const std::int64_t line : candidates(lines, kind)) {
        if (stop_requested()) return {};
        if (sets_itself_up(lines, line, start)) out.push_back(line);
    }
    return out;
}

bool is_restart_point(const std::vector<std::string_view>& lines, std::int64_t line) {
    const MachineKind kind = machine_kind_of(lines);
    return line >= 1 && line <= static_cast<std::int64_t>(lines.size()) &&
           sets_itself_up(lines, line, program_start_state(lines, kind));
}

}  // namespace feedrite
