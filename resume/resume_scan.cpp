// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/resume_scan.h"

#include <algorithm>

namespace feedrite {
namespace {

bool named(const BlockEffect& e, char axis) {
    return (e.axes & (1U << axis_index(axis))) != 0;
}

// The axes a tool stands at the top in: a mill's Z, a lathe's X and Z.
bool at_top(const NcState& s) {
    if (s.kind == MachineKind::Mill) return s.axis('Z').parked != Parked::No;
    return s.axis('X').parked != Parked::No && s.axis('Z').parked != Parked::No;
}

// The program's habits, kept up to date block by block from what the
// interpreter says each block did.
class HabitWatch {
  public:
    explicit HabitWatch(Habits& h) : h_(h) {}

    void note(const BlockEffect& e, const NcState& s) {
        // The way in starts again where the tool goes to its top.
        if ((e.kind == BlockKind::Machine || e.tool_change) && at_top(s)) {
            h_.order.clear();
            h_.rapid_end = {};
        }
        const bool z = named(e, 'Z');
        const std::uint16_t others = e.axes & static_cast<std::uint16_t>(~(1U << axis_index('Z')));
        const auto& zs = s.axis('Z').at;
        for (const AxisState& a : s.axes)
            if (a.at.known()) h_.points = a.at->point || a.at->value == 0 ? h_.points : false;
        if (e.kind == BlockKind::Rapid) {
            if (z) h_.rapid_z = zs.get();
            const std::uint16_t group = s.kind == MachineKind::Mill ? others : e.axes;
            if (group != 0) h_.order.push_back(group);
            for (std::size_t i = 0; i < axis_count; ++i) h_.rapid_end[i] = s.axes[i].at.get();
        }
        if (e.kind == BlockKind::Feed && s.feed.known()) {
            const auto x = static_cast<std::uint16_t>(1U << axis_index('X'));
            if (z && others == 0) h_.plunge_z = *s.feed;
            if (e.axes == x) h_.plunge_x = *s.feed;
        }
    }

  private:
    Habits& h_;
};

// The retract before the program's tool changes: before `line` if there is
// one, else after it, else its last retract of all.
std::vector<std::string> retract_of(const std::vector<std::string_view>& lines, MachineKind kind,
                                    std::int64_t line) {
    NcInterpreter interpreter(program_start_state(lines, kind));
    std::vector<std::string> run, last, before, after;
    bool retracted = false;  // no other move since the last retract
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const BlockEffect e = interpreter.read(lines[i], static_cast<std::int64_t>(i) + 1);
        if (!e.retract.empty()) {
            if (!retracted) run.clear();
            run.push_back(e.retract);
            last = run;
            retracted = true;
        } else if (e.kind != BlockKind::None && !e.tool_change) {
            retracted = false;
        }
        if (e.tool_change && retracted) {
            if (static_cast<std::int64_t>(i) + 1 < line)
                before = run;
            else if (after.empty())
                after = run;
        }
    }
    return !before.empty() ? before : !after.empty() ? after : last;
}

}  // namespace

ResumeScan scan_to_line(const std::vector<std::string_view>& lines, std::int64_t line) {
    const MachineKind kind = machine_kind_of(lines);
    ResumeScan scan;
    scan.line = line;
    NcInterpreter interpreter(program_start_state(lines, kind));
    HabitWatch watch(scan.habits);
    const auto end = std::min<std::int64_t>(line - 1, static_cast<std::int64_t>(lines.size()));
    for (std::int64_t i = 0; i < end; ++i) {
        const BlockEffect e = interpreter.read(lines[static_cast<std::size_t>(i)], i + 1);
        watch.note(e, interpreter.state());
        for (const std::string& code : e.unknown_codes)
            if (std::none_of(scan.unknown_codes.begin(), scan.unknown_codes.end(),
                             [&](const auto& u) { return u.first == code; }))
                scan.unknown_codes.emplace_back(code, i + 1);
        if (e.kind != BlockKind::None || e.lathe_cycle != 0)
            scan.lathe_cycle_before = e.lathe_cycle;
    }
    scan.state = interpreter.state();
    scan.contour_open = interpreter.contour_open();
    if (line >= 1 && line <= static_cast<std::int64_t>(lines.size()))
        scan.effect = interpreter.read(lines[static_cast<std::size_t>(line - 1)], line);
    scan.after = interpreter.state();
    scan.habits.retract = retract_of(lines, kind, line);
    scan.resumed = resumed_state(lines, kind);
    return scan;
}

}  // namespace feedrite
