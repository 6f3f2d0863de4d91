// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/resume_proof.h"

#include "resume/preamble.h"

namespace feedrite {
namespace {

struct Moment {
    NcState before, after;
    bool cycle = false;  // the first move is a hole of a drill cycle
    bool cuts = false;   // it is a feed move or a hole
};

// Reads from `line` up to and including the first block that moves.
Moment to_first_move(NcInterpreter& interpreter, const std::vector<std::string_view>& lines,
                     std::int64_t line) {
    Moment m;
    for (auto i = line; i <= static_cast<std::int64_t>(lines.size()); ++i) {
        m.before = interpreter.state();
        const BlockEffect e = interpreter.read(lines[static_cast<std::size_t>(i - 1)], i);
        if (e.kind != BlockKind::None) {
            m.cycle = e.kind == BlockKind::Cycle;
            m.cuts = m.cycle || e.kind == BlockKind::Feed;
            break;
        }
    }
    m.after = interpreter.state();
    return m;
}

std::string text(const Known<int>& k) {
    return k.known() ? std::to_string(*k) : "?";
}
std::string text(const Known<std::string>& k) {
    return k.known() ? "'" + *k + "'" : "?";
}
std::string text(const Known<NcNumber>& k) {
    return k.known() ? format_number(*k) : "?";
}
std::string text(const Known<bool>& k) {
    return k.known() ? (*k ? "on" : "off") : "?";
}
std::string text(const Known<DrillCycle>& k) {
    return k.known() ? std::to_string(k->g) + " " + k->words() + (k->plain ? "" : " (not plain)")
                     : "?";
}

bool same(const Known<NcNumber>& a, const Known<NcNumber>& b) {
    return a.known() && b.known() && compare_numbers(*a, *b) == 0;
}
bool same(const Known<DrillCycle>& a, const Known<DrillCycle>& b) {
    return a.known() && b.known() && a->g == b->g &&
           (a->g == 0 || (a->words() == b->words() && a->plain == b->plain));
}
template <class T>
bool same(const Known<T>& a, const Known<T>& b) {
    return a.known() && b.known() && *a == *b;
}

class Checker {
  public:
    explicit Checker(std::vector<std::string>& out) : out_(out) {}

    // What the resumed control knows must be what the whole run has.
    template <class T>
    void agree(const char* what, const Known<T>& resumed, const Known<T>& whole) {
        if (resumed.known() && !same(resumed, whole))
            out_.push_back(std::string(what) + " is " + text(resumed) + " after the preamble, " +
                           text(whole) + " in the whole run");
    }

    void modes(const NcState& r, const NcState& w) {
        using Codes = Known<int> NcState::*;
        static constexpr std::pair<const char*, Codes> codes[] = {
            {"the motion mode", &NcState::motion},
            {"the plane", &NcState::plane},
            {"the units", &NcState::units},
            {"the distance mode", &NcState::distance},
            {"the feed mode", &NcState::feed_mode},
            {"the speed mode", &NcState::speed_mode},
            {"the return level", &NcState::return_level},
            {"cutter compensation", &NcState::cutter_comp},
            {"the length offset", &NcState::tool_length},
            {"the turning cycle", &NcState::turning},
            {"the spindle", &NcState::spindle},
            {"the coolant", &NcState::coolant}};
        for (const auto& [what, field] : codes) agree(what, r.*field, w.*field);
        using Numbers = Known<NcNumber> NcState::*;
        static constexpr std::pair<const char*, Numbers> numbers[] = {
            {"F", &NcState::feed},
            {"S", &NcState::speed},
            {"the speed limit", &NcState::speed_limit}};
        for (const auto& [what, field] : numbers) agree(what, r.*field, w.*field);
        if (!r.tool_length.is(490)) agree("its H", r.length_h, w.length_h);  // unread under G49
        agree("the work offset", r.work_offset, w.work_offset);
        agree("the drill cycle", r.drill, w.drill);
        agree("the tool", r.tool, w.tool);
        for (std::size_t f = 0; f < frame_count; ++f) agree("a frame", r.frames[f], w.frames[f]);
        if (r.drill.known() && r.drill->g != 0) agree("the first level", r.initial_z, w.initial_z);
    }

    void positions(const NcState& r, const NcState& w, bool approach, bool skip_z) {
        for (std::size_t i = 0; i < axis_count; ++i) {
            const std::string axis(1, axis_letters[i]);
            if (axis == "Z" && skip_z) continue;
            const AxisState &ra = r.axes[i], &wa = w.axes[i];
            agree(("the position of " + axis).c_str(), ra.at, wa.at);
            // At the top where the whole run stands lower: only without an approach.
            if (approach && !ra.at.known() && wa.at.known() && wa.used)
                out_.push_back("the preamble leaves " + axis + " at " +
                               (ra.parked != Parked::No ? "the top" : "an unknown place") +
                               ", the whole run has it at " + format_number(*wa.at));
        }
    }

    void present(const NcState& r, const NcState& w) {
        const auto need = [&](const char* what, bool resumed, bool whole) {
            if (whole && !resumed)
                out_.push_back("the preamble leaves " + std::string(what) +
                               " unset, which the first cut reads");
        };
        need("F", r.feed.known(), w.feed.known());
        need("the spindle", r.spindle.known(), w.spindle.known());
        need("S", r.speed.known(), w.speed.known());
        need("the feed mode", r.feed_mode.known(), w.feed_mode.known());
    }

  private:
    std::vector<std::string>& out_;
};

}  // namespace

std::vector<std::string> prove_resume(const std::vector<std::string_view>& lines,
                                      const ResumeScan& scan,
                                      const std::vector<std::string>& blocks, bool approach) {
    std::vector<std::string> problems;
    const MachineKind kind = scan.state.kind;
    NcInterpreter whole(program_start_state(lines, kind));
    for (std::int64_t i = 1; i < scan.line; ++i)
        (void)whole.read(lines[static_cast<std::size_t>(i - 1)], i);
    const Moment w = to_first_move(whole, lines, scan.line);

    NcInterpreter resumed(resumed_state(lines, kind));
    for (const std::string& block : blocks) {
        const BlockEffect e = resumed.read(block, 0);
        if (e.kind != BlockKind::None && !e.known)
            problems.push_back("the preamble block " + block + " moves on unknown state");
    }
    const Moment r = to_first_move(resumed, lines, scan.line);
    Checker check(problems);
    check.modes(r.after, w.after);
    // In a drill cycle the restored one starts from its first level, at or
    // above where the whole run stands between holes: Z agrees after a hole.
    const bool cycle = w.before.drill.known() && w.before.drill->g != 0;
    check.positions(r.before, w.before, approach, cycle);
    if (w.cycle) check.positions(r.after, w.after, approach, false);
    // What a cut reads must not be left to the control where the whole run knows it.
    if (approach && w.cuts) check.present(r.before, w.before);
    return problems;
}

}  // namespace feedrite
