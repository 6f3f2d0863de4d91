// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/nc_state.h"

#include <algorithm>
#include <cmath>

namespace feedrite {

int compare_numbers(const NcNumber& a, const NcNumber& b) {
    const int decimals = std::min(9, std::max(a.decimals, b.decimals));
    const double scale = std::pow(10.0, decimals);
    const long long x = std::llround(a.value * scale), y = std::llround(b.value * scale);
    return x < y ? -1 : x > y ? 1 : 0;
}

std::string DrillCycle::words() const {
    std::string text;
    for (const std::string& w : data)
        if (!w.empty()) text += (text.empty() ? "" : " ") + w;
    return text;
}

bool NcState::plain_frame() const {
    return std::all_of(frames.begin(), frames.end(),
                       [](const Known<bool>& f) { return f.is(false); });
}

std::string NcState::why(int cause) const {
    if (cause < 0 || static_cast<std::size_t>(cause) >= causes.size()) return "";
    const Cause& c = causes[static_cast<std::size_t>(cause)];
    return "line " + std::to_string(c.line) + ": " + c.what;
}

NcState reset_state(MachineKind kind) {
    NcState s;
    s.kind = kind;
    s.cutter_comp.set(400);
    s.tool_length.set(490);
    s.length_h.set("");
    s.drill.set(DrillCycle{});
    s.turning.set(0);
    s.spindle.set(50);
    s.coolant.set(90);
    for (Known<bool>& f : s.frames) f.set(false);
    if (kind == MachineKind::Lathe) s.plane.set(180);
    return s;
}

NcState unknown_state(MachineKind kind) {
    NcState s;
    s.kind = kind;
    return s;
}

}  // namespace feedrite
