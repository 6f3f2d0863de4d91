// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/preamble.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace feedrite {
namespace {

std::string word(char letter, const Known<std::string>& value) {
    return value.known() && !value->empty() ? std::string(1, letter) + *value : "";
}
std::string number_word(char letter, const std::optional<NcNumber>& value) {
    return value ? std::string(1, letter) + format_number(*value) : "";
}

// Words joined by blanks, empty ones left out.
std::string block(std::initializer_list<std::string> words) {
    std::string text;
    for (const std::string& w : words)
        if (!w.empty()) text += (text.empty() ? "" : " ") + w;
    return text;
}

// The code that switches a frame off, where one exists.
const char* frame_cancel(Frame f, MachineKind kind) {
    switch (f) {
        case Frame::Rotation:
            return "G69";
        case Frame::Scaling:
            return "G50";
        case Frame::Mirror:
            return "G50.1";
        case Frame::Polar:
            return "G15";
        case Frame::ModalCall:
            return "G67";
        case Frame::PolarInterp:
            return "G13.1";
        case Frame::LocalShift:
            return kind == MachineKind::Mill ? "G52 X0 Y0 Z0" : "G52 X0 Z0";
        default:
            return nullptr;
    }
}

// A number typed as the program writes them, read without the locale: a
// decimal comma must never turn 2.5 into 2.
NcNumber number_of(const std::string& text) {
    return read_nc_line("Z" + text).words.front().number;
}

bool is_arc(int motion) {
    return motion == 20 || motion == 30;
}

// A mill's drill cycle called before the line is still in force after it:
// the line is a hole, lies between holes, or calls a cycle that keeps the
// words of the one before.
bool cycle_goes_on(const ResumeScan& scan) {
    const auto on = [](const NcState& s) { return s.drill.known() && s.drill->g != 0; };
    return scan.state.kind == MachineKind::Mill && on(scan.state) && on(scan.after);
}

class Builder {
  public:
    Builder(const ResumeScan& scan, const std::string& clearance)
        : scan_(scan),
          s_(scan.state),
          line_(" line " + std::to_string(scan.line)),
          before_(" before" + line_),
          clearance_(clearance) {
        // A lathe writes G90 only where the program writes G90 / G91 as modes.
        absolute_ = mill() || !scan.resumed.distance.known() ? "G90" : "";
    }

    Preamble build() {
        out_.refused = refusal();
        if (!out_.refused.empty()) return std::move(out_);
        modes();
        retract();
        if (s_.work_offset.known()) add(*s_.work_offset);  // "": the control's own
        if (mill() && s_.return_level.known()) add(code_text('G', *s_.return_level));
        if (scan_.effect.tool_change) {
            // The line begins a tool's work as the program does: it brings
            // the tool in by itself (a mill's spindle and coolant off).
            if (mill()) {
                add("M05");
                add("M09");
            } else {
                spindle();
                if (s_.coolant.known()) add(code_text('M', *s_.coolant));
            }
            feed_mode();
            restore();
            return std::move(out_);
        }
        tool();
        // Cancelled for this tool, as the program has it (M06 ended the old one's).
        if (mill() && s_.tool_length.is(490) && !scan_.resumed.tool_length.known()) add("G49");
        spindle();
        if (s_.coolant.known()) add(code_text('M', *s_.coolant));
        feed_mode();
        if (const std::string why = approach(); !why.empty()) {
            if (in_cycle()) {
                out_ = Preamble{};
                out_.refused = "the " + code_text('G', s_.drill->g) + " cycle of line " +
                               std::to_string(s_.cycle_line) +
                               " can be written back only with the tool at its first level, and " +
                               why + "; resume at line " + std::to_string(s_.cycle_line);
                return std::move(out_);
            }
            warn("no approach move: " + why + ". Bring the tool to the start of" + line_ +
                 " by hand before Cycle start, or resume at a safe restart point");
            // Not brought in by a move: as the program has it, without one.
            if (!offset_.empty()) add(offset_);
        } else {
            out_.approach = true;
            cycle();
        }
        restore();
        return std::move(out_);
    }

  private:
    bool mill() const { return s_.kind == MachineKind::Mill; }
    bool in_cycle() const { return cycle_goes_on(scan_); }
    void add(const std::string& text) {
        if (!text.empty()) out_.blocks.push_back(text);
    }
    void warn(const std::string& text) { out_.warnings.push_back(text); }
    std::string since(int cause) const {
        const std::string why = s_.why(cause);
        return why.empty() ? "" : " (" + why + ")";
    }

    // A line whose meaning depends on what no block can restore.
    std::string refusal() const {
        const BlockEffect& e = scan_.effect;
        const std::string n = std::to_string(scan_.line);
        if (e.contour || scan_.contour_open)
            return "line " + n +
                   " lies in the contour of a lathe cycle, or between the cycle and its contour: "
                   "the cycle reads those lines, sent without it they would run as moves";
        // The preamble's own T would stand for it at the program's next M06.
        if (mill() && !s_.next_tool.known() && s_.next_tool.cause() >= 0 && s_.tool.known())
            return "the tool selected for the next change is not known" +
                   since(s_.next_tool.cause());
        if (e.lathe_cycle == 700)
            return "line " + n + " finishes a contour that the resumed tape does not hold";
        if (e.lathe_cycle != 0 && e.lathe_cycle == scan_.lathe_cycle_before)
            return "line " + n + " is the second block of the " + code_text('G', e.lathe_cycle) +
                   " cycle of the block before it: resume at that block";
        // A lathe's cycles are not written back: turning, and drilling with live tools.
        const auto cycle = [](const NcState& s) {
            return s.turning.known() && *s.turning != 0 ? *s.turning
                   : s.drill.known() && s.drill->g != 0 ? s.drill->g
                                                        : 0;
        };
        if (!mill() && cycle(s_) != 0 && cycle(scan_.after) != 0)
            return "line " + n + " lies in the " + code_text('G', cycle(s_)) + " cycle of line " +
                   std::to_string(s_.cycle_line) + ", which is not written back; resume at line " +
                   std::to_string(s_.cycle_line);
        if (in_cycle() && e.tool_change)
            return "line " + n + " changes the tool inside the " + code_text('G', s_.drill->g) +
                   " cycle of line " + std::to_string(s_.cycle_line);
        if (in_cycle() && !cycle_whole())
            return "the " + code_text('G', s_.drill.known() ? s_.drill->g : 810) +
                   " cycle of line " + std::to_string(s_.cycle_line) +
                   " is not known whole (its words, the first level, G90 and G98 / G99); resume "
                   "at line " +
                   std::to_string(s_.cycle_line);
        if (e.kind == BlockKind::Unknown || (e.kind != BlockKind::None && !e.known && !e.turns_on))
            return "what line " + n + " does is not known" + unknown_cause();
        return "";
    }

    bool cycle_whole() const {
        return s_.drill.known() && s_.drill->complete() && s_.distance.is(900) &&
               s_.return_level.known() && s_.initial_z.known() && s_.feed.known();
    }

    std::string unknown_cause() const {
        for (const int c : {s_.motion.cause(), s_.drill.cause(), s_.turning.cause(),
                            s_.units.cause(), s_.distance.cause(), s_.work_offset.cause(),
                            s_.cutter_comp.cause(), s_.tool_length.cause()})
            if (c >= 0 && !s_.why(c).empty()) return ": " + s_.why(c);
        if (!s_.units.known()) return ": the units (G20 / G21) are not set before it";
        if (!s_.work_offset.known()) return ": no work offset is selected before it";
        if (!s_.cutter_comp.is(400))
            return ": cutter compensation " +
                   block({s_.cutter_comp.known() ? code_text('G', *s_.cutter_comp) : "",
                          word('D', s_.comp_d)}) +
                   " is in force, and no block restores it without its lead-in move";
        for (const Known<bool>& f : s_.frames)
            if (!f.is(false)) return ": a transform or coordinate shift is in force";
        return "";
    }

    void modes() {
        if (s_.units.known() && *s_.units != 0)
            add(code_text('G', *s_.units));
        else
            warn("units (G20 / G21) not set" + before_ + ": the control's own setting applies");
        if (s_.plane.known()) add(code_text('G', *s_.plane));
        // Each cancel only where the whole run has it cancelled.
        std::string cancel = s_.cutter_comp.is(400) ? "G40" : "";
        if (s_.drill.known() && s_.drill->g == 0 && s_.turning.is(0)) cancel += " G80";
        for (std::size_t i = 0; i < frame_count; ++i) {
            const auto f = static_cast<Frame>(i);
            const char* off = frame_cancel(f, s_.kind);
            if (off && s_.frame(f).is(false) && !scan_.resumed.frame(f).known())
                cancel += std::string(" ") + off;
        }
        add(cancel.starts_with(' ') ? cancel.substr(1) : cancel);
    }

    // As the program retracts before its tool changes: in machine terms, safe
    // whatever offsets the control holds now.
    void retract() {
        // A retract that leaves G91 or G90 needs a known mode to put back.
        const bool sets_distance = std::any_of(
            scan_.habits.retract.begin(), scan_.habits.retract.end(), [](const std::string& r) {
                return r.find("G9") != std::string::npos || r.find("G53") != std::string::npos;
            });
        if (sets_distance && !s_.distance.known()) return;
        bool absolute = false;  // G90 in force on the control
        for (const std::string& r : scan_.habits.retract) {
            // G53 is read in absolute only.
            if (r.find("G53") != std::string::npos && r.find("G90") == std::string::npos &&
                !absolute)
                add("G90"), absolute = true;
            add(r);
            retracted_ = true;
            const bool incremental = r.find("G91") != std::string::npos;
            absolute = (absolute && !incremental) || r.find("G90") != std::string::npos;
            retract_incremental_ = retract_incremental_ || incremental;
        }
    }

    void tool() {
        if (!s_.tool.known()) {
            warn("no tool known" + before_ + since(s_.tool.cause()));
            return;
        }
        if (s_.tool->empty()) return;  // the program never calls one
        if (!mill()) {
            if (retracted_) add("T" + *s_.tool);  // a turret indexes once clear
            return;
        }
        add("T" + *s_.tool + " M06");
        if (s_.next_tool.known() && *s_.next_tool != *s_.tool) add("T" + *s_.next_tool);
    }

    void spindle() {
        if (s_.speed_limit.known())
            add(block({mill() ? "G92" : "G50", number_word('S', s_.speed_limit.get())}));
        // Speed mode and S where known, the direction only where it is known too.
        const std::string speed =
            block({s_.speed_mode.known() ? code_text('G', *s_.speed_mode) : "",
                   number_word('S', s_.speed.get())});
        if (!s_.spindle.known()) {
            add(speed);
            warn("spindle state unknown" + before_ + since(s_.spindle.cause()) +
                 ": the preamble leaves it as it is");
            return;
        }
        const bool turning = !s_.spindle.is(50);
        if (turning && !s_.speed.known()) warn("spindle turning without a known speed" + before_);
        add(block({speed, code_text('M', *s_.spindle)}));
    }

    void feed_mode() {
        if (s_.feed_mode.known()) add(code_text('G', *s_.feed_mode));
    }

    // Why no approach can be made from what is known; empty when it can.
    std::string approach_blocked() const {
        if (!s_.units.known()) return "the units are not known";
        if (!s_.work_offset.known()) return "no work offset known" + since(s_.work_offset.cause());
        for (std::size_t i = 0; i < frame_count; ++i) {
            const auto f = static_cast<Frame>(i);
            const bool restorable = scan_.resumed.frame(f).known() || frame_cancel(f, s_.kind);
            if (!s_.frame(f).is(false) || !restorable)
                return "a transform or coordinate shift is in force or may be" +
                       since(s_.frame(f).cause());
        }
        if (!s_.cutter_comp.is(400))
            return "cutter compensation " +
                   block({s_.cutter_comp.known() ? code_text('G', *s_.cutter_comp) : "",
                          word('D', s_.comp_d)}) +
                   " is in force" + since(s_.cutter_comp.cause()) +
                   " and is not restored without its lead-in move";
        if (!s_.tool.known()) return "the tool is not known";
        // The approach leaves its motion and distance modes for the line to put back.
        if (!s_.motion.known()) return "the motion mode is not known" + since(s_.motion.cause());
        if (!s_.distance.known() && !absolute_.empty())
            return "the distance mode is not known" + since(s_.distance.cause());
        if (!s_.spindle.known() || (!s_.spindle.is(50) && !s_.speed.known()))
            return "the spindle is not known";
        if (!retracted_)
            return "the program has no retract in machine terms (G53 Z, G91 G28 Z0, G28 U0 W0) to "
                   "start from";
        return "";
    }

    std::string approach() {
        // Before its first move the program brings the tool in by itself.
        if (std::none_of(s_.axes.begin(), s_.axes.end(), [](const AxisState& a) { return a.used; }))
            return "";
        if (std::string why = approach_blocked(); !why.empty()) return why;
        std::vector<std::string> moves;
        std::string why = mill() ? mill_approach(moves) : lathe_approach(moves);
        if (!why.empty()) return why;
        // A feed the approach leaves in force must be the one the line has.
        if (feed_given_ && !s_.feed.known()) {
            feed_given_.reset();
            return "no feed rate (F) known" + before_ + since(s_.feed.cause());
        }
        for (const std::string& m : moves) add(m);
        return "";
    }

    std::string unknown_axis(char a) const {
        return "the position of " + std::string(1, a) + " is not known" +
               since(s_.axis(a).at.cause());
    }

    // The axes in `wanted` (bit per axis), at `to`, in the program's order of rapids.
    void rapids_in_order(std::uint16_t wanted,
                         const std::array<std::optional<NcNumber>, axis_count>& to,
                         std::vector<std::string>& moves) const {
        std::vector<std::uint16_t> groups = scan_.habits.order;
        groups.push_back(wanted);
        for (const std::uint16_t group : groups) {
            const std::uint16_t now = group & wanted;
            if (now == 0) continue;
            std::string words = block({"G00", absolute_});
            for (std::size_t i = 0; i < axis_count; ++i)
                if ((now & (1U << i)) != 0) words += " " + number_word(axis_letters[i], to[i]);
            moves.push_back(words);
            wanted &= static_cast<std::uint16_t>(~now);
        }
    }

    // Over the start at the top in the program's order of axes, then down
    // to the clearance with the length offset, then the plunge.
    std::string mill_approach(std::vector<std::string>& moves) {
        std::uint16_t over = 0;
        std::array<std::optional<NcNumber>, axis_count> to{};
        for (std::size_t i = 0; i < axis_count; ++i) {
            const AxisState& a = s_.axes[i];
            const char letter = axis_letters[i];
            // An axis the program never used stays as it is.
            if (letter == 'Z' || a.parked != Parked::No ||
                (!a.used && letter != 'X' && letter != 'Y'))
                continue;
            if (!a.at.known()) return unknown_axis(letter);
            over |= static_cast<std::uint16_t>(1U << i);
            to[i] = *a.at;
        }
        const bool offsets =
            (s_.tool_length.is(430) || s_.tool_length.is(440)) && s_.length_h.known();
        if (offsets) offset_ = block({code_text('G', *s_.tool_length), word('H', s_.length_h)});
        const AxisState& z = s_.axis('Z');
        // A cycle is written back from its first level, wherever Z stands;
        // but where the machine parked Z under a cycle in force, the first
        // level would put it somewhere the run never did.
        if (z.parked != Parked::No && in_cycle()) return unknown_axis('Z');
        if (z.parked != Parked::No) {
            rapids_in_order(over, to, moves);
            return "";
        }
        if (!z.at.known() && !in_cycle()) return unknown_axis('Z');
        if (!s_.tool_length.is(490) && !offsets)
            return "the tool length offset is not known" + since(s_.tool_length.cause());
        std::string clear = in_cycle() ? format_number(*s_.initial_z) : clearance_;
        if (clear.empty()) return "no clearance height";
        rapids_in_order(over, to, moves);
        moves.push_back(block({"G00", absolute_, offset_, "Z" + clear}));
        offset_.clear();
        if (in_cycle() || compare_numbers(*z.at, number_of(clear)) >= 0) return "";
        if (!scan_.habits.plunge_z) return "no feed move in Z alone" + before_ + " to plunge at";
        moves.push_back(block({"G01", absolute_, number_word('Z', z.at.get()),
                               number_word('F', scan_.habits.plunge_z)}));
        feed_given_ = scan_.habits.plunge_z;
        return "";
    }

    // From the tool-change position to where the program's last rapid
    // ended, in its order of axes; then on to the start at its feed, along
    // one axis only: a path it fed in both axes may cross the part.
    std::string lathe_approach(std::vector<std::string>& moves) {
        const AxisState &x = s_.axis('X'), &z = s_.axis('Z');
        // The other axes it uses (Y, C, B), where they stand, with the rapids.
        std::uint16_t others = 0;
        std::array<std::optional<NcNumber>, axis_count> to = scan_.habits.rapid_end;
        for (std::size_t i = 0; i < axis_count; ++i) {
            const char letter = axis_letters[i];
            const AxisState& a = s_.axes[i];
            if (letter == 'X' || letter == 'Z' || !a.used || a.parked != Parked::No) continue;
            if (!a.at.known()) return unknown_axis(letter);
            others |= static_cast<std::uint16_t>(1U << i);
            to[i] = *a.at;
        }
        if (x.parked != Parked::No && z.parked != Parked::No) {
            rapids_in_order(others, to, moves);
            return "";
        }
        if (!x.at.known()) return unknown_axis('X');
        if (!z.at.known()) return unknown_axis('Z');
        const auto& end = scan_.habits.rapid_end;
        const auto xi = static_cast<std::size_t>(axis_index('X'));
        const auto zi = static_cast<std::size_t>(axis_index('Z'));
        if (!end[xi] || !end[zi]) return "no rapid since the tool change to take the way in from";
        rapids_in_order(static_cast<std::uint16_t>(others | (1U << xi) | (1U << zi)), to, moves);
        const bool x_differs = compare_numbers(*end[xi], *x.at) != 0;
        const bool z_differs = compare_numbers(*end[zi], *z.at) != 0;
        if (x_differs && z_differs)
            return "the program fed from its last rapid to the start in both X and Z";
        const auto& feed = x_differs ? scan_.habits.plunge_x : scan_.habits.plunge_z;
        if (!x_differs && !z_differs) return "";
        if (!feed) return "no feed move in one axis alone" + before_ + " to take the feed from";
        moves.push_back(block({"G01", absolute_,
                               number_word(x_differs ? 'X' : 'Z', (x_differs ? x : z).at.get()),
                               number_word('F', feed)}));
        feed_given_ = feed;
        return "";
    }

    // Inside a drill cycle: its block again, without a hole (K0), from the
    // first level the approach left the tool at.
    void cycle() {
        if (!in_cycle()) return;
        // The motion mode under the cycle, set before it: after it, it would end it.
        if (s_.motion.known() && *s_.motion != 0) add(code_text('G', *s_.motion));
        add(block({code_text('G', *s_.return_level), code_text('G', s_.drill->g), s_.drill->words(),
                   number_word('F', s_.feed.get()), "K0"}));
        feed_given_ = s_.feed.get();
        cycle_restored_ = true;
    }

    // What the line reads its moves with: distance mode, motion mode and F.
    void restore() {
        // The approach writes G90 in its own blocks; a G91 retract must not stay.
        // A lathe that never writes G90 / G91 reads G90 as a turning cycle.
        const bool writes_distance = mill() || !scan_.resumed.distance.known();
        const std::string distance = !writes_distance       ? ""
                                     : s_.distance.known()  ? code_text('G', *s_.distance)
                                     : retract_incremental_ ? "G90"
                                                            : "";
        std::string m;
        if (!cycle_restored_ && s_.motion.known()) {
            m = code_text('G', *s_.motion);
            if (*s_.motion != 0 && !s_.feed.known()) warn("no feed rate (F) set" + before_);
            if (is_arc(*s_.motion) && scan_.effect.motion_written) {
                m.clear();  // the line writes its own
            } else if (is_arc(*s_.motion)) {
                warn(m + " in force" + before_ + ":" + line_ +
                     " continues the arc without a motion code of its own; the preamble sets " + m +
                     " in a block without a move: check that the control accepts it, or resume "
                     "where the arc begins");
            }
        }
        const bool same_feed = feed_given_ && s_.feed.known() &&
                               compare_numbers(*feed_given_, *s_.feed) == 0 &&
                               feed_given_->point == s_.feed->point;
        add(block({distance, m, same_feed ? "" : number_word('F', s_.feed.get())}));
    }

    const ResumeScan& scan_;
    const NcState& s_;
    std::string line_, before_;
    std::string clearance_;
    std::string absolute_;
    std::string offset_;  // G43 / G44 and H, until a Z move takes them
    bool retract_incremental_ = false;
    bool retracted_ = false;
    bool cycle_restored_ = false;
    std::optional<NcNumber> feed_given_;
    Preamble out_;
};

bool is_number(const std::string& text) {
    const std::size_t i = text.starts_with('-') ? 1 : 0;
    const std::string digits = text.substr(i);
    return !digits.empty() && digits != "." &&
           digits.find_first_not_of("0123456789.") == std::string::npos &&
           std::count(digits.begin(), digits.end(), '.') <= 1;
}

}  // namespace

std::string format_number(const NcNumber& number) {
    char buffer[64];
    if (!number.point) {
        std::snprintf(buffer, sizeof buffer, "%lld",
                      static_cast<long long>(std::llround(number.value)));
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.*f", number.decimals, number.value);
    std::string text = buffer;
    if (text.find('.') == std::string::npos) text += '.';
    while (text.ends_with('0')) text.pop_back();
    if (text == "-0.") text = "0.";
    // ".05" stays as the program wrote it.
    if (!number.lead && text.starts_with("0.") && text.size() > 2) text.erase(0, 1);
    if (!number.lead && text.starts_with("-0.") && text.size() > 3) text.erase(1, 1);
    return text;
}

Preamble build_preamble(const ResumeScan& scan, const std::string& clearance) {
    return Builder(scan, clearance).build();
}

std::string proposed_clearance(const ResumeScan& scan) {
    const NcState& s = scan.state;
    if (s.kind == MachineKind::Lathe) return "";  // it goes by the program's last rapid
    const auto& z = s.axis('Z').at;
    if (cycle_goes_on(scan) && s.initial_z.known()) return format_number(*s.initial_z);
    // Never the highest Z reached: it may be a depth the program fed down to.
    const auto& height = scan.habits.rapid_z;
    if (height && (!z.known() || compare_numbers(*height, *z) >= 0)) return format_number(*height);
    return "";
}

ClearanceEntry read_clearance(const ResumeScan& scan, const std::string& typed) {
    ClearanceEntry entry{typed, ""};
    std::string& text = entry.text;
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    if (text.empty()) return entry;
    if (!is_number(text)) {
        entry.problem = "The clearance height is not a number.";
        return entry;
    }
    const bool point = text.find('.') != std::string::npos;
    if (scan.habits.points && !point) text += '.';
    if (!scan.habits.points && point) {
        entry.problem =
            "The program writes Z without a decimal point: type the clearance the same way.";
        return entry;
    }
    const auto& z = scan.state.axis('Z').at;
    if (scan.state.kind == MachineKind::Mill && z.known() &&
        compare_numbers(number_of(text), *z) < 0)
        entry.problem = "The clearance Z" + text + " is below the start height Z" +
                        format_number(*z) + ": type a height at or above it.";
    return entry;
}

}  // namespace feedrite
