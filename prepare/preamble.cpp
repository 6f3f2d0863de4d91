#include "prepare/preamble.h"

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

class Builder {
  public:
    Builder(const ModalState& state, std::int64_t line, const std::string& clearance)
        : s_(state), before_(" before line " + std::to_string(line)), clearance_(clearance) {
        // A mill's approach is always absolute; a lathe may know G90 only as a
        // turning cycle, so it gets one only where the program itself used G91.
        absolute_ = mill() || s_.distance == 910 ? "G90" : "";
    }

    Preamble build() {
        modes();
        tool();
        spindle();
        add(s_.coolant ? code('M', *s_.coolant) : "M09");
        add(block({s_.feed_mode ? code('G', *s_.feed_mode) : "", word('F', s_.feed)}));
        approach();
        if (s_.distance == 910) add("G91");
        if (s_.motion && *s_.motion != 10) {
            if (*s_.motion == 0 || *s_.motion == 20 || *s_.motion == 30)
                add(code('G', *s_.motion));
            else
                warn(code('G', *s_.motion) + " in force" + before_ + ": not restored");
        }
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
        if (s_.distance) add(code('G', *s_.distance));
        if (s_.plane) add(code('G', *s_.plane));
        add("G40 G80");
        if (s_.cutter_comp && *s_.cutter_comp != 400)
            warn("cutter compensation " +
                 block({code('G', *s_.cutter_comp), word('D', s_.comp_d)}) + " was in force" +
                 before_ +
                 ": it is cancelled, not resumed; the path is uncompensated "
                 "until the program turns it on again");
        add(s_.work_offset);
    }

    void tool() {
        if (s_.tool.empty()) warn("no tool called" + before_);
        if (mill()) {
            add(block({word('T', s_.tool), s_.tool.empty() ? "" : "M06"}));
            if (s_.next_tool != s_.tool)
                add(word('T', s_.next_tool));  // the tool waiting for the next change
        } else {
            add(word('T', s_.tool));
        }
        if (!s_.tool_length) return;
        if (*s_.tool_length == 490) {
            add("G49");
        } else if (clearance_.empty()) {
            add(block({code('G', *s_.tool_length), word('H', s_.length_h)}));
        } else {
            // The offset comes in with a move straight up or down to the clearance.
            add(block({"G00", absolute_, code('G', *s_.tool_length), "Z" + clearance_,
                       word('H', s_.length_h)}));
            at_clearance_ = true;
        }
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
        const std::string x = axis_word(s_, 'X'), y = axis_word(s_, 'Y'), z = axis_word(s_, 'Z');
        if (s_.feed.empty() && s_.motion && *s_.motion != 0) warn("no feed rate (F) set" + before_);
        if (clearance_.empty()) {
            warn("no clearance height" + before_ + ": the preamble makes no approach move");
            return;
        }
        if (mill()) {
            if (!at_clearance_) add(block({"G00", absolute_, "Z" + clearance_}));
            move({x, y, axis_word(s_, 'A'), axis_word(s_, 'B'), axis_word(s_, 'C')});
        } else {
            // In front of the face first, then to the diameter, then along Z.
            if (!at_clearance_) add(block({"G00", absolute_, "Z" + clearance_}));
            move({x, y, axis_word(s_, 'C')});
        }
        // Down at the feed rate, or by rapid where the program never gave one.
        if (!z.empty() && z != "Z" + clearance_)
            add(block({s_.feed.empty() ? "G00" : "G01", absolute_, z}));
    }

    // A rapid move over the axes that have a known position, if any.
    void move(std::initializer_list<std::string> axes) {
        const std::string words = block(axes);
        if (!words.empty()) add(block({"G00", absolute_, words}));
    }

    const ModalState& s_;
    std::string before_;
    std::string clearance_;
    std::string absolute_;
    bool at_clearance_ = false;
    Preamble out_;
};

}  // namespace

Preamble build_preamble(const ModalState& state, std::int64_t line, const std::string& clearance) {
    return Builder(state, line, clearance).build();
}

std::string proposed_clearance(const ModalState& state) {
    return state.highest_z ? format_number(*state.highest_z) : "";
}

}  // namespace feedrite
