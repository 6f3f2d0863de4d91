// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/preamble.h"

#include <algorithm>
#include <charconv>

namespace feedrite {
namespace {

// "G01" for 10, "G54.1" for 541, "M08" for 80.
std::string code(char letter, int tenths) {
    std::string text(1, letter);
    if (tenths < 100) text += '0';
    text += std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

std::string word(char letter, const std::string& value) {
    return value.empty() ? "" : std::string(1, letter) + value;
}

// Words joined by blanks, empty ones left out.
std::string block(std::initializer_list<std::string> words) {
    std::string text;
    for (const std::string& w : words)
        if (!w.empty()) text += (text.empty() ? "" : " ") + w;
    return text;
}

std::string axis_word(const ModalState& state, char letter) {
    const AxisPosition& a = state.axis(letter);
    return a.known ? std::string(1, letter) + format_number(a.position) : "";
}

// A number as the program writes them ("2.", "-.5", "25000"), read without
// the locale: a decimal comma must never turn 2.5 into 2.
double value_of(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    std::string digits = (text.starts_with('.') ? "0" : "") + std::string(text);
    if (digits.ends_with('.')) digits.pop_back();
    double value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return negative ? -value : value;
}

constexpr bool is_arc(int motion) {
    return motion == 20 || motion == 30;
}

class Builder {
  public:
    Builder(const ModalState& state, std::int64_t line, const std::string& clearance)
        : s_(state),
          line_(" line " + std::to_string(line)),
          before_(" before" + line_),
          clearance_(clearance) {
        // A mill's approach is always absolute; a lathe may know G90 only as a
        // turning cycle, so it gets one only where the program itself used G91.
        absolute_ = mill() || s_.distance == 910 ? "G90" : "";
        // Z moves are safe only with the new tool's own length offset, or in a
        // program that never calls one.
        const bool offset =
            (s_.tool_length == 430 || s_.tool_length == 440) && !s_.length_h.empty();
        z_known_ = !mill() || !s_.length_offsets_used || offset;
        if (mill() && offset) offset_ = {code('G', *s_.tool_length), word('H', s_.length_h)};
    }

    Preamble build() {
        modes();
        retract();
        add(s_.work_offset);
        if (mill() && s_.return_level) add(code('G', *s_.return_level));
        if (s_.line_changes_tool) {
            // The line begins a tool's work as the program does: with the
            // spindle and coolant off, it brings the tool in by itself.
            add("M05");
            add("M09");
            if (s_.feed_mode) add(code('G', *s_.feed_mode));
            restore();
            return std::move(out_);
        }
        tool();
        spindle();
        add(s_.coolant ? code('M', *s_.coolant) : "M09");
        if (s_.feed_mode) add(code('G', *s_.feed_mode));
        approach();
        restore();
        return std::move(out_);
    }

  private:
    bool mill() const { return s_.kind == MachineKind::Mill; }
    void add(const std::string& text) {
        if (!text.empty()) out_.blocks.push_back(text);
    }
    void warn(const std::string& text) { out_.warnings.push_back(text); }

    void modes() {
        if (s_.units)
            add(code('G', *s_.units));
        else
            warn("units (G20 / G21) not set" + before_ + ": the control's own setting applies");
        if (s_.plane) add(code('G', *s_.plane));
        add("G40 G80");
        if (s_.cutter_comp && *s_.cutter_comp != 400)
            warn("cutter compensation " +
                 block({code('G', *s_.cutter_comp), word('D', s_.comp_d)}) + " was in force" +
                 before_ +
                 ": it is cancelled, not resumed; the path is uncompensated "
                 "until the program turns it on again");
    }

    // As the program retracts before its tool changes; it moves in machine
    // terms, so it is safe whatever offsets the control holds now.
    void retract() {
        for (const std::string& r : s_.retract) {
            add(r);
            retracted_ = true;
            retract_incremental_ = retract_incremental_ || r.find("G91") != std::string::npos;
        }
    }

    void tool() {
        const std::string t = word('T', s_.tool);
        if (s_.tool.empty()) warn("no tool called" + before_);
        if (!mill()) {
            // A turret indexes where it stands: only once it is clear.
            if (retracted_)
                add(t);
            else if (!t.empty())
                warn(
                    "the program has no tool-change position in machine terms (G28 U0 W0): "
                    "the preamble neither indexes " +
                    t +
                    " nor moves; index it and bring the "
                    "tool to its start position by hand before Cycle start");
            return;
        }
        add(block({t, s_.tool.empty() ? "" : "M06"}));
        if (s_.next_tool != s_.tool) add(word('T', s_.next_tool));  // waiting for the next change
        if (z_known_ || s_.offset_follows) return;  // none, or the program's own comes first
        const std::string change = s_.tool_change_line > 0 ? " after its change at line " +
                                                                 std::to_string(s_.tool_change_line)
                                                           : "";
        warn(
            "no tool length offset (G43 H) given for " + (t.empty() ? "the tool" : t) + change +
            before_ + ": the preamble makes no move in Z; resume at the tool change" +
            (s_.tool_change_line > 0 ? " (line " + std::to_string(s_.tool_change_line) + ")" : "") +
            " or set the offset and the height by hand");
    }

    void spindle() {
        add(word('S', s_.speed_limit).empty()
                ? ""
                : block({mill() ? "G92" : "G50", word('S', s_.speed_limit)}));
        const int direction = s_.spindle.value_or(50);
        if (direction != 50 && s_.speed.empty()) warn("spindle turning without a speed" + before_);
        add(block({s_.speed_mode ? code('G', *s_.speed_mode) : "", word('S', s_.speed),
                   code('M', direction)}));
    }

    void approach() {
        if (!mill()) {
            lathe_approach();
            return;
        }
        if (clearance_.empty()) {
            warn("no clearance height" + before_ + ": the preamble makes no approach move");
            // Never a move: the offset alone, as the program would have it.
            if (!offset_.empty()) add(block({offset_[0], offset_[1]}));
            return;
        }
        mill_approach();
        // Not brought in by a move: as the program has it, without one.
        if (!offset_.empty() && z_known_) add(block({offset_[0], offset_[1]}));
    }

    // Over the start at the program's traverse height, down to the clearance,
    // then down to the start at the program's own plunge feed.
    void mill_approach() {
        if (retracted_ && top('Z')) {
            // The line starts at the top, where the retract leaves the tool.
            if (!(top('X') && top('Y'))) over_the_start();
            return;
        }
        const std::string z_start = axis_word(s_, 'Z');
        const std::string clear = "Z" + clearance_;
        std::string height;  // the Z the tool stands at once over the start
        if (!retracted_) {
            if (!z_known_) {
                warn(
                    "the program has no retract in machine terms (G53 Z, G91 G28 Z0) to pass "
                    "over the start at: the preamble makes no approach move");
                return;
            }
            // Only a height the program itself ran rapids over: the highest Z
            // it reached may be a depth it fed down to.
            const auto& traverse = s_.traverse_z;
            if (!traverse) {
                warn(
                    "no traverse height known" + before_ +
                    ": the preamble makes no approach move; bring the tool over the start by hand");
                return;
            }
            // Over the start no lower than the clearance, if that is higher.
            height = "Z" + (value_of(clearance_) > traverse->value ? clearance_
                                                                   : format_number(*traverse));
            z_move("G00", height);
        }
        if (!over_the_start() || !z_known_) return;
        if (z_start.empty()) {
            warn("position in Z unknown" + before_ + ": the preamble stops over the start at " +
                 (height.empty() ? "the retract height" : height));
            return;
        }
        if (height != clear) z_move("G00", clear);
        plunge(z_start);
    }

    bool top(char axis) const { return s_.at_retract.find(axis) != std::string::npos; }

    bool over_the_start() {
        const std::string x = axis_word(s_, 'X'), y = axis_word(s_, 'Y');
        if (x.empty() || y.empty()) {
            warn("position in X or Y unknown" + before_ +
                 ": the preamble makes no move over the start nor down; bring the tool there by "
                 "hand");
            return false;
        }
        add(block(
            {"G00", absolute_, x, y, axis_word(s_, 'A'), axis_word(s_, 'B'), axis_word(s_, 'C')}));
        return true;
    }

    // From the tool-change position to where the program's last rapid
    // ended, as its own first rapid after a change goes; then on to the start
    // at the program's feed, only along one axis: a path it fed in both axes
    // may cross the part.
    void lathe_approach() {
        if (!retracted_) return;           // said in tool()
        if (top('X') && top('Z')) return;  // the start is where the retract leaves the tool
        const std::string x = axis_word(s_, 'X'), z = axis_word(s_, 'Z');
        const std::string rx = s_.rapid_x ? "X" + format_number(*s_.rapid_x) : "";
        const std::string rz = s_.rapid_z ? "Z" + format_number(*s_.rapid_z) : "";
        if (x.empty() || z.empty() || rx.empty() || rz.empty()) {
            warn("position in X or Z unknown" + before_ +
                 ": the preamble makes no approach move; bring the tool to the start by hand");
            return;
        }
        add(block({"G00", absolute_, rx, rz, axis_word(s_, 'C')}));
        if (x != rx && z != rz) {
            warn("the program fed from " + rx + " " + rz + " to the start " + x + " " + z +
                 before_ + ": the preamble stops at " + rx + " " + rz +
                 "; add the moves to the start above");
            return;
        }
        if (x != rx) feed_to(x, s_.plunge_feed_x);
        if (z != rz) feed_to(z, s_.plunge_feed);
    }

    void feed_to(const std::string& axis_word, const std::string& feed) {
        if (feed.empty()) {
            warn("no feed move in " + axis_word.substr(0, 1) + " alone" + before_ +
                 " to take the feed from: the preamble stops at the program's last rapid; add the "
                 "feed to " +
                 axis_word + " above");
            return;
        }
        add(block({"G01", absolute_, axis_word, word('F', feed)}));
        feed_given_ = feed;
    }

    void plunge(const std::string& z_start) {
        const double start = s_.axis('Z').position.value;
        if (z_start == "Z" + clearance_ || start >= value_of(clearance_)) return;
        feed_to(z_start, s_.plunge_feed);
    }

    // The first move in Z brings in the length offset.
    void z_move(const std::string& motion, const std::string& z) {
        if (offset_.empty()) {
            add(block({motion, absolute_, z}));
            return;
        }
        add(block({motion, absolute_, offset_[0], z, offset_[1]}));
        offset_.clear();
    }

    // What line N reads its moves with: distance mode, motion mode and F.
    void restore() {
        // The approach writes G90 in its own blocks; a G91 retract must not stay.
        const std::string distance = s_.distance            ? code('G', *s_.distance)
                                     : retract_incremental_ ? "G90"
                                                            : "";
        std::optional<int> motion = s_.motion;
        if (s_.cycle) motion = 0;  // the cycle is cancelled (warned by the scan)
        if (motion && *motion != 0 && s_.feed.empty()) warn("no feed rate (F) set" + before_);
        std::string m = motion ? code('G', *motion) : "";
        if (motion && is_arc(*motion)) {
            if (s_.line_motion)
                m.clear();  // the line writes its own
            else
                warn(m + " in force" + before_ + ":" + line_ +
                     " continues the arc without a motion code of its own; the preamble sets " + m +
                     " in a block without a move: check that the control accepts it, or resume "
                     "where "
                     "the arc begins");
        }
        add(block({distance, m, s_.feed == feed_given_ ? "" : word('F', s_.feed)}));
    }

    const ModalState& s_;
    std::string line_, before_;
    std::string clearance_;
    std::string absolute_;
    bool z_known_ = true;
    std::vector<std::string> offset_;  // G43 / G44 and H, until a Z move takes them
    bool retracted_ = false;
    bool retract_incremental_ = false;
    std::string feed_given_;
    Preamble out_;
};

bool is_number(const std::string& text) {
    std::size_t i = text.starts_with('-') ? 1 : 0;
    const std::string digits = text.substr(i);
    return !digits.empty() && digits != "." &&
           digits.find_first_not_of("0123456789.") == std::string::npos &&
           std::count(digits.begin(), digits.end(), '.') <= 1;
}

}  // namespace

Preamble build_preamble(const ModalState& state, std::int64_t line, const std::string& clearance) {
    return Builder(state, line, clearance).build();
}

std::string proposed_clearance(const ModalState& state) {
    if (state.kind == MachineKind::Lathe) return "";  // it goes by the program's last rapid
    const AxisPosition& z = state.axis('Z');
    for (const auto& height : {state.rapid_z, state.highest_z})
        if (height && (!z.known || height->value >= z.position.value))
            return format_number(*height);
    return "";
}

ClearanceEntry read_clearance(const ModalState& state, const std::string& typed) {
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
    if (state.z_points && !point) text += '.';
    if (!state.z_points && point) {
        entry.problem =
            "The program writes Z without a decimal point: type the clearance the same way.";
        return entry;
    }
    const AxisPosition& z = state.axis('Z');
    if (state.kind == MachineKind::Mill && z.known && value_of(text) < z.position.value)
        entry.problem = "The clearance Z" + text + " is below the start height Z" +
                        format_number(z.position) + ": type a height at or above it.";
    return entry;
}

}  // namespace feedrite
