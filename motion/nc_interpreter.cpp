// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/nc_interpreter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/stop_request.h"

namespace feedrite {
namespace {

enum class Context { Move, Drill, Turning, LatheCycle, Machine, Set, Data, Unknown };

bool is_axis_letter(char letter, MachineKind kind) {
    return axis_index(letter) >= 0 &&
           !(kind == MachineKind::Lathe && (letter == 'U' || letter == 'W' || letter == 'V'));
}

// The axis a letter moves: on a lathe U and W are X and Z.
int axis_of(char letter, MachineKind kind) {
    if (kind == MachineKind::Lathe && letter == 'U') return axis_index('X');
    if (kind == MachineKind::Lathe && letter == 'W') return axis_index('Z');
    return axis_index(letter);
}

NcNumber sum(const NcNumber& a, const NcNumber& b) {
    NcNumber out;
    out.point = a.point || b.point;
    out.decimals = std::max(a.decimals, b.decimals);
    out.lead = a.lead && b.lead;
    out.value = a.value + b.value;  // compared and written in its decimals, never raw
    return out;
}

std::optional<Frame> frame_of(int g, MachineKind kind) {
    switch (g) {
        case 680:
        case 690:
            return Frame::Rotation;
        case 510:
        case 500:
            if (kind == MachineKind::Mill) return Frame::Scaling;
            return std::nullopt;
        case 511:
        case 501:
            return Frame::Mirror;
        case 160:
        case 150:
            return Frame::Polar;
        case 660:
        case 670:
            return Frame::ModalCall;
        case 121:
        case 131:
            return Frame::PolarInterp;
        case 520:
            return Frame::LocalShift;
        default:
            return std::nullopt;
    }
}

constexpr bool frame_on(int g) {
    return g == 680 || g == 510 || g == 511 || g == 160 || g == 660 || g == 121;
}

// The drill cycles followed exactly: each hole ends at R or the first level.
constexpr bool modelled_drill(int g) {
    return g == 730 || g == 740 || g == 760 || (g >= 810 && g <= 860) || g == 890;
}

std::uint16_t bit(int axis) {
    return static_cast<std::uint16_t>(1U << axis);
}

bool has_axis_word(const NcLine& line, MachineKind kind) {
    return std::any_of(line.words.begin(), line.words.end(),
                       [kind](const NcWord& w) { return axis_of(w.letter, kind) >= 0; });
}

// A mill's Z moves by the length offset: known when it is cancelled or its H is.
bool mill_length_known(const NcState& s) {
    return s.tool_length.is(490) || (s.tool_length.known() && s.length_h.known());
}

}  // namespace

std::string code_text(char letter, int tenths) {
    std::string text(1, letter);
    if (tenths < 100) text += '0';
    text += std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

struct NcInterpreter::Block {
    NcLine line;
    BlockEffect effect;
    Context context = Context::Move;
    bool motion_written = false;
    bool drill_written = false;
    bool length_written = false;
    bool cycle_cancelled = false;  // G80 in the block
    bool coordinate_set = false;   // G92 / a lathe's G50: its S is a speed limit
    int unknown_g = -1;
};

namespace {

// What the program never writes stays on the control as the program found it
// at its own start: the frames and (a mill's) length offset off, the units
// and work offset the control's own (0 and "": nothing to write back).
// What the program never writes stays as the control has it, whatever the
// program calls: also after a call or a jump.
void apply_unwritten(NcState& s) {
    const NcState::Unwritten& u = s.unwritten;
    for (std::size_t f = 0; f < frame_count; ++f)
        if (u.frames[f]) s.frames[f].set(false);
    if (u.length) s.tool_length.set(490), s.length_h.set("");
    if (u.units) s.units.set(0);
    if (u.offset) s.work_offset.set("");
    if (u.tool) s.tool.set(""), s.next_tool.set("");
    if (u.distance) s.distance.set(900);
}

void take_unwritten(NcState& s, const std::vector<std::string_view>& lines) {
    std::array<bool, frame_count> frames{};
    bool length = false, units = false, offset = false, distance = false, tool = false;
    std::size_t read = 0;
    for (const std::string_view text : lines) {
        if (stop_requested_at(++read)) break;  // ending anyway
        const NcLine line = read_nc_line(text);
        for (const NcWord& w : line.words) {
            tool = tool || w.letter == 'T';
            if (w.letter != 'G' || !w.plain) continue;
            const int g = code_tenths(w);
            if (const auto f = frame_of(g, s.kind)) frames[static_cast<std::size_t>(*f)] = true;
            if (g == 100) frames[static_cast<std::size_t>(Frame::OffsetsWritten)] = true;
            const GKind what = classify_g(g, s.kind, line);
            if (what == GKind::CoordinateSet && has_axis_word(line, s.kind))
                frames[static_cast<std::size_t>(Frame::CoordinateSet)] = true;
            length = length || what == GKind::ToolLength;
            units = units || what == GKind::Units;
            offset = offset || what == GKind::WorkOffset;
            distance = distance || what == GKind::Distance;
        }
    }
    for (std::size_t f = 0; f < frame_count; ++f) s.unwritten.frames[f] = !frames[f];
    s.unwritten.length = !length && s.kind == MachineKind::Mill;
    s.unwritten.units = !units;
    s.unwritten.offset = !offset;
    s.unwritten.tool = !tool;
    // A lathe without G90 / G91 writes X Z absolute, U W incremental.
    s.unwritten.distance = !distance && s.kind == MachineKind::Lathe;
    apply_unwritten(s);
}

}  // namespace

NcState program_start_state(const std::vector<std::string_view>& lines, MachineKind kind) {
    NcState s = reset_state(kind);
    take_unwritten(s, lines);
    return s;
}

NcState resumed_state(const std::vector<std::string_view>& lines, MachineKind kind) {
    NcState s = unknown_state(kind);
    take_unwritten(s, lines);
    return s;
}

// A cause made only when a value is lost: most blocks lose nothing.
class NcInterpreter::Lazy {
  public:
    Lazy(NcInterpreter& owner, std::string what) : owner_(owner), what_(std::move(what)) {}
    int operator()() {
        if (index_ < 0) index_ = owner_.cause(what_);
        return index_;
    }

  private:
    NcInterpreter& owner_;
    std::string what_;
    int index_ = -1;
};

int NcInterpreter::cause(const std::string& what) {
    s_.causes.push_back({line_, what});
    return static_cast<int>(s_.causes.size() - 1);
}

bool NcInterpreter::frame_plain() const {
    return s_.plain_frame();
}

void NcInterpreter::lose_positions(int why) {
    for (AxisState& a : s_.axes) a.at.lose(why);
}

void NcInterpreter::lose_everything(int why) {
    NcState fresh = unknown_state(s_.kind);
    fresh.causes = std::move(s_.causes);
    fresh.unwritten = s_.unwritten;
    s_ = std::move(fresh);
    for (AxisState& a : s_.axes) a.at.lose(why);
    for (Known<int>* k : {&s_.motion, &s_.plane, &s_.units, &s_.distance, &s_.feed_mode,
                          &s_.speed_mode, &s_.return_level, &s_.cutter_comp, &s_.tool_length,
                          &s_.turning, &s_.spindle, &s_.coolant})
        k->lose(why);
    for (Known<std::string>* k :
         {&s_.comp_d, &s_.length_h, &s_.work_offset, &s_.tool, &s_.next_tool})
        k->lose(why);
    for (Known<NcNumber>* k : {&s_.initial_z, &s_.feed, &s_.speed, &s_.speed_limit}) k->lose(why);
    s_.drill.lose(why);
    for (Known<bool>& f : s_.frames) f.lose(why);
    apply_unwritten(s_);
    contour_.reset();
}

// A jump, a loop or a call changes the order of the blocks; a write to a
// system variable may change any offset. Local and common variables change
// nothing the control holds.
bool NcInterpreter::statement(std::string_view code) {
    const auto lost = [&](const char* what) {
        lose_everything(cause(std::string(what) + " (" + std::string(code) + ")"));
        return true;
    };
    for (const char* word : {"POPEN", "PCLOS", "DPRNT", "BPRNT"})
        if (code.starts_with(word)) return false;
    const auto equals = code.find('=');
    if (!code.starts_with('#') || equals == std::string_view::npos)
        return lost("macro statement not followed");
    int variable = 0;
    const auto digits = code.substr(1, equals - 1);
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), variable);
    if (error != std::errc() || end != digits.data() + digits.size() || variable >= 1000)
        return lost("system variable written");
    return false;
}

BlockEffect NcInterpreter::read(std::string_view text, std::int64_t line) {
    line_ = line;
    Block b;
    b.line = read_nc_line(text);
    // Within a contour definition every line is the cycle's: comments too.
    if (contour_ && contour_->inside && b.line.kind != NcLineKind::Block) {
        b.effect.contour = true;
        return b.effect;
    }
    switch (b.line.kind) {
        case NcLineKind::Empty:
        case NcLineKind::Marker:  // a further program after M30 or M99 is already unknown
            return {};
        case NcLineKind::Statement:
            // A jump, a loop, a block with expressions: what it did is not known.
            if (statement(b.line.code)) b.effect.kind = BlockKind::Unknown, b.effect.known = false;
            return b.effect;
        case NcLineKind::Block:
            break;
    }
    note_contour(b);
    if (b.effect.contour) return b.effect;
    read_block(b);
    return b.effect;
}

// A lathe roughing cycle's contour, N first to N last: data the cycle reads.
void NcInterpreter::note_contour(Block& b) {
    if (!contour_) return;
    const NcWord* n = find_word(b.line, 'N');
    const bool numbered = n != nullptr && n->plain;
    if (numbered && n->number.value == contour_->p) contour_->inside = true;
    if (!contour_->inside) return;
    b.effect.contour = true;
    if (numbered && n->number.value == contour_->q) contour_.reset();
}

void NcInterpreter::read_block(Block& b) {
    const NcLine& line = b.line;
    for (const NcWord& w : line.words)
        if ((w.letter == 'G' || w.letter == 'M') && !w.plain) {
            lose_everything(cause("code written as an expression (" + line.code + ")"));
            b.effect.known = false;
            if (has_axis_word(line, s_.kind)) b.effect.kind = BlockKind::Unknown;
            return;
        }
    for (const NcWord& w : line.words)
        if (w.letter == 'G') read_g(b, code_tenths(w));
    // A motion code or G80 in a cycle's block ends the cycle: the block is a move.
    if ((b.motion_written || b.cycle_cancelled) && b.drill_written) {
        s_.drill.set(DrillCycle{});
        b.context = Context::Move;
        b.effect.cycle_written = false;
    }
    if (b.context == Context::Move && !b.motion_written && has_axis_word(line, s_.kind)) {
        if (!s_.drill.known() || (s_.kind == MachineKind::Lathe && !s_.turning.known()))
            b.context = Context::Unknown;
        else if (s_.drill->g != 0)
            b.context = Context::Drill;
        else if (s_.kind == MachineKind::Lathe && *s_.turning != 0)
            b.context = Context::Turning;
    }
    read_words(b);
    for (const NcWord& w : line.words)
        if (w.letter == 'M' && (code_tenths(w) == 30 || code_tenths(w) == 40 ||
                                code_tenths(w) == 70 || code_tenths(w) == 80))
            (code_tenths(w) >= 70 ? s_.coolant : s_.spindle).set(code_tenths(w));
    if (const NcWord* t = find_word(line, 'T'); t && s_.kind == MachineKind::Lathe)
        tool_change(b, true);
    const bool axes = has_axis_word(line, s_.kind);
    switch (b.context) {
        case Context::Move:
            if (axes || (find_word(line, 'I') || find_word(line, 'J') || find_word(line, 'K')))
                move(b);
            break;
        case Context::Drill:
            drill_hole(b);
            break;
        case Context::Turning:
            turning_pass(b);
            break;
        case Context::LatheCycle:
            if (axes || find_word(line, 'P')) {
                b.effect.kind = BlockKind::Cycle;
                b.effect.known = s_.axis('X').at.known() && s_.axis('Z').at.known();
            }
            break;
        case Context::Machine:
            machine_move(b);
            break;
        case Context::Set:
            set_coordinates(b);
            break;
        case Context::Unknown:
            if (axes || find_word(line, 'R') || find_word(line, 'Q') || find_word(line, 'I')) {
                const int why = cause(
                    (b.unknown_g >= 0 ? code_text('G', b.unknown_g) + " not followed"
                                      : std::string("axis words of a cycle or mode not known")) +
                    " (" + line.code + ")");
                lose_positions(why);
                for (AxisState& a : s_.axes) a.parked = Parked::No;
                s_.motion.lose(why);
                s_.drill.lose(why);
                s_.turning.lose(why);
                b.effect.kind = BlockKind::Unknown;
                b.effect.known = false;
            }
            break;
        case Context::Data:
            break;
    }
    for (const NcWord& w : line.words)
        if (w.letter == 'M') read_m(b, code_tenths(w));
}

void NcInterpreter::read_g(Block& b, int g) {
    const GKind kind = classify_g(g, s_.kind, b.line);
    switch (kind) {
        case GKind::Motion:
            s_.motion.set(g);
            b.motion_written = b.effect.motion_written = true;
            s_.drill.set(DrillCycle{});
            s_.turning.set(0);
            break;
        case GKind::Plane:
            s_.plane.set(g);
            break;
        case GKind::Units:
            if (!s_.units.is(g)) {
                const int why = cause("units set to " + code_text('G', g));
                lose_positions(why);
                s_.feed.lose(why);
                s_.initial_z.lose(why);
                if (s_.drill.known() && s_.drill->g != 0) {
                    DrillCycle d = *s_.drill;
                    d.plain = false;  // its data was written in the other units
                    s_.drill.set(d);
                }
            }
            s_.units.set(g);
            break;
        case GKind::LatheCycle: {
            b.context = Context::LatheCycle;
            b.effect.lathe_cycle = g;
            const NcWord *p = find_word(b.line, 'P'), *q = find_word(b.line, 'Q');
            if (g >= 710 && g <= 730 && p && q && p->plain && q->plain)
                contour_ = Contour{p->number.value, q->number.value, false};
            break;
        }
        case GKind::TurningCycle:
            if (!s_.turning.is(g)) s_.cycle_line = line_;
            s_.turning.set(g);
            b.context = Context::Turning;
            break;
        case GKind::Distance:
            s_.distance.set(g);
            break;
        case GKind::FeedMode:
        case GKind::InverseTime:
            s_.feed_mode.set(g);
            break;
        case GKind::SpeedMode:
            s_.speed_mode.set(g);
            break;
        case GKind::WorkOffset: {
            const NcWord* p = find_word(b.line, 'P');
            const std::string text =
                code_text('G', g) + (p && g == 541 ? " P" + p->text : std::string());
            if (!s_.work_offset.is(text))
                lose_positions(cause("work offset " + text + " selected"));
            s_.work_offset.set(text);
            break;
        }
        case GKind::CutterComp:
            // The tool centre stands off the path until a move ends compensation.
            if (g == 400 && !s_.cutter_comp.is(400))
                lose_plane(cause("cutter compensation cancelled"));
            s_.cutter_comp.set(g);
            if (g == 400) s_.comp_d.set("");
            if (g != 400) b.effect.turns_on = true;
            break;
        case GKind::ToolLength:
            s_.tool_length.set(g);
            b.length_written = true;
            // Without H the control takes the tool's own, written back the same way.
            if (g != 490 && !find_word(b.line, 'H')) s_.length_h.set("");
            break;
        case GKind::CycleCancel:
            b.cycle_cancelled = true;
            s_.drill.set(DrillCycle{});
            s_.turning.set(0);
            break;
        case GKind::DrillCycle:
            b.context = Context::Drill;
            b.drill_written = b.effect.cycle_written = true;
            if (!modelled_drill(g)) {
                b.unknown_g = g;
                b.context = Context::Unknown;
                s_.drill.lose(cause(code_text('G', g) + " cycle not followed"));
                break;
            }
            if (!s_.drill.known() || s_.drill->g == 0) {
                s_.cycle_line = line_;
                s_.initial_z = Known<NcNumber>();
                if (s_.axis('Z').at.known())
                    s_.initial_z.set(*s_.axis('Z').at);
                else
                    s_.initial_z.lose(cause("first level of the cycle unknown"));
            }
            {
                // The data stays from cycle to cycle until G80.
                DrillCycle d = s_.drill.known() ? *s_.drill : DrillCycle{};
                d.g = g;
                s_.drill.set(d);
            }
            break;
        case GKind::CoordinateSet:
            b.coordinate_set = true;
            if (has_axis_word(b.line, s_.kind))
                b.context = Context::Set;
            else
                b.context = Context::Data;
            break;
        case GKind::MachineMove:
            b.context = Context::Machine;
            break;
        case GKind::Dwell:
            b.context = Context::Data;
            break;
        case GKind::NoMove:
            b.context = g == 270 ? Context::Machine : Context::Data;
            if (g == 100) {
                const int why = cause("offset data written (" + b.line.code + ")");
                lose_positions(why);
                s_.frame(Frame::OffsetsWritten).set(true);
            }
            break;
        case GKind::ReturnLevel:
            s_.return_level.set(g);
            break;
        case GKind::NoEffect:
            break;
        case GKind::MacroCall:
            b.context = Context::Data;
            if (g == 650) {
                lose_everything(cause("macro call (" + b.line.code + ")"));
            } else {
                lose_positions(cause("modal macro call (" + b.line.code + ")"));
                s_.frame(Frame::ModalCall).set(true);
            }
            break;
        case GKind::LocalSystem:
        case GKind::Transform: {
            b.context = Context::Data;
            const auto f = frame_of(g, s_.kind);
            if (!f) break;
            bool on = frame_on(g);
            if (g == 520)
                on = std::any_of(b.line.words.begin(), b.line.words.end(), [](const NcWord& w) {
                    return w.letter != 'G' && (!w.plain || w.number.value != 0);
                });
            lose_positions(cause(code_text('G', g) + (on ? " switched on" : " switched off")));
            b.effect.turns_on = b.effect.turns_on || on;
            s_.frame(*f).set(on);
            break;
        }
        case GKind::Unknown:
            b.unknown_g = g;
            b.context = Context::Unknown;
            b.effect.unknown_codes.push_back(code_text('G', g));
            break;
    }
}

void NcInterpreter::read_words(Block& b) {
    if (b.context == Context::Data && !b.coordinate_set) return;
    const WordRoles roles = word_roles(b.line, s_.kind);
    for (const NcWord& w : b.line.words) {
        const auto take = [&](auto& into, const auto& value, const char* what) {
            if (w.plain)
                into.set(value);
            else
                into.lose(cause(std::string(what) + " written as an expression (" + w.letter +
                                w.text + ")"));
        };
        switch (w.letter) {
            case 'F':
                if (roles.feed_rate && b.context != Context::Data) take(s_.feed, w.number, "F");
                break;
            case 'S':
                if (roles.spindle_speed)
                    take(s_.speed, w.number, "S");
                else
                    take(s_.speed_limit, w.number, "S");
                break;
            case 'T':
                if (s_.kind == MachineKind::Mill && b.context != Context::Data)
                    take(s_.next_tool, w.text, "T");
                break;
            case 'H':
                if (b.context != Context::Data) take(s_.length_h, w.text, "H");
                break;
            case 'D':
                if (b.context != Context::Data) take(s_.comp_d, w.text, "D");
                break;
            default:
                break;
        }
    }
}

void NcInterpreter::read_m(Block& b, int m) {
    switch (m_flow(m)) {
        case MFlow::End:
            return lose_everything(cause("end of the program (" + b.line.code + ")"));
        case MFlow::Call:
            return lose_everything(cause("call of a program not followed (" + b.line.code + ")"));
        case MFlow::Return:
            return lose_everything(cause("return or jump (" + b.line.code + ")"));
        case MFlow::None:
            break;
    }
    switch (m) {
        case 0:
        case 10:
        case 30:
        case 40:
        case 70:
        case 80:
            break;
        case 50:
        case 190:  // an oriented spindle stands
            s_.spindle.set(50);
            break;
        case 90:
            s_.coolant.set(90);
            break;
        case 60:
            if (s_.kind == MachineKind::Mill) tool_change(b, false);
            break;
        default:
            b.effect.unknown_codes.push_back(code_text('M', m));
            break;
    }
}

// A mill's M06: Z goes to the change position, the old tool's length offset,
// spindle and coolant end. A lathe's T: a new tool or offset, X and Z in
// work coordinates unknown (the turret stands where it was).
void NcInterpreter::tool_change(Block& b, bool lathe_index) {
    const std::string what = lathe_index ? "turret index" : "tool change";
    if (lathe_index) {
        const NcWord& t = *find_word(b.line, 'T');
        const auto number = [](const std::string& text) {
            return text.size() >= 3 ? text.substr(0, text.size() - 2) : text.substr(0, 1);
        };
        const bool other = !s_.tool.known() || !t.plain || number(*s_.tool) != number(t.text);
        const int why = cause(what + " (" + b.line.code + ")");
        for (const char a : {'X', 'Z'}) s_.axis(a).at.lose(why);
        if (t.plain)
            s_.tool.set(t.text);
        else
            s_.tool.lose(why);
        if (!other) return;
        b.effect.tool_change = true;
        s_.tool_change_line = line_;
        return;
    }
    b.effect.tool_change = true;
    s_.tool_change_line = line_;
    const int why = cause(what + " (" + b.line.code + ")");
    if (s_.next_tool.known())
        s_.tool.set(*s_.next_tool);
    else
        s_.tool.lose(why);
    AxisState& z = s_.axis('Z');
    z.at.lose(why);
    z.parked = Parked::ToolChange;
    if (!s_.unwritten.length) {
        s_.tool_length.lose(why);
        s_.length_h.lose(why);
    }
    s_.spindle.set(50);
    s_.coolant.set(90);
    if (b.effect.kind == BlockKind::None) b.effect.kind = BlockKind::Machine;
    b.effect.axes |= static_cast<std::uint16_t>(1U << axis_index('Z'));
}

bool NcInterpreter::axis_target(const Block& b, int i, NcNumber& to) const {
    const AxisState& a = s_.axes[static_cast<std::size_t>(i)];
    bool named = false, ok = false;
    for (const NcWord& w : b.line.words) {
        if (axis_of(w.letter, s_.kind) != i) continue;
        named = true;
        const bool relative = !is_axis_letter(w.letter, s_.kind) || s_.distance.is(910);
        if (!w.plain || (!relative && !s_.distance.known())) {
            ok = false;
        } else if (relative) {
            ok = a.at.known();
            if (ok) to = sum(*a.at, w.number);
        } else {
            ok = true, to = w.number;
        }
    }
    return named && ok;
}

void NcInterpreter::move(Block& b) {
    if (!s_.frame(Frame::ModalCall).is(false)) {
        lose_everything(cause("move under a modal macro call (" + b.line.code + ")"));
        b.effect.kind = BlockKind::Unknown;
        b.effect.known = false;
        return;
    }
    b.effect.kind = !s_.motion.known() ? BlockKind::Unknown
                    : s_.motion.is(0)  ? BlockKind::Rapid
                                       : BlockKind::Feed;
    bool known = s_.motion.known() && s_.units.known() && s_.work_offset.known() && frame_plain() &&
                 s_.cutter_comp.is(400);
    const NcWord* repeat = find_word(b.line, 'L');
    const bool repeated = repeat != nullptr && (!repeat->plain || repeat->number.value != 1);
    std::array<std::optional<NcNumber>, axis_count> to{};
    for (const NcWord& w : b.line.words)
        if (const int i = axis_of(w.letter, s_.kind); i >= 0) b.effect.axes |= bit(i);
    for (std::size_t i = 0; i < axis_count; ++i) {
        if ((b.effect.axes & bit(static_cast<int>(i))) == 0) continue;
        NcNumber target;
        // Where n repeats of an increment end is left to the control.
        const bool relative = s_.distance.is(910) || !find_word(b.line, axis_letters[i]);
        if (axis_target(b, static_cast<int>(i), target) && !(repeated && relative)) to[i] = target;
        known = known && to[i].has_value();
    }
    if ((b.effect.axes & bit(axis_index('Z'))) != 0 && s_.kind == MachineKind::Mill)
        known = known && mill_length_known(s_);
    b.effect.known = known;
    Lazy why(*this, "move not followed (" + b.line.code + ")");
    for (std::size_t i = 0; i < axis_count; ++i) {
        if ((b.effect.axes & bit(static_cast<int>(i))) == 0) continue;
        AxisState& a = s_.axes[i];
        a.parked = Parked::No;
        a.used = true;
        if (to[i])
            a.at.set(*to[i]);
        else
            a.at.lose(why());
    }
    // Compensation in force: the tool centre stands off the programmed path.
    if (!s_.cutter_comp.is(400)) lose_plane(cause("cutter compensation in force"));
}

// The axes of the plane in force (all three where it is not known).
void NcInterpreter::lose_plane(int why) {
    for (const char a : {'X', 'Y', 'Z'}) {
        const bool in_plane = !s_.plane.known() || (a == 'X' && !s_.plane.is(190)) ||
                              (a == 'Y' && !s_.plane.is(180)) || (a == 'Z' && !s_.plane.is(170));
        if (in_plane) s_.axis(a).at.lose(why);
    }
}

// A hole of a mill's drill cycle: over to it at the level the tool stands
// at, drilled, back to R (G99) or to the first level (G98).
void NcInterpreter::drill_hole(Block& b) {
    DrillCycle d = *s_.drill;
    for (std::size_t k = 0; k < drill_letters.size(); ++k) {
        const NcWord* w = find_word(b.line, drill_letters[k]);
        if (w == nullptr) continue;
        d.data[k] = std::string(1, w->letter) + w->text;
        d.plain = d.plain && w->plain;
        const auto value = w->plain ? std::optional(w->number) : std::nullopt;
        if (w->letter == 'Z') d.depth = value;
        if (w->letter == 'R') d.r = value;
    }
    s_.drill.set(d);
    const NcWord* count = find_word(b.line, 'K');
    if (count == nullptr) count = find_word(b.line, 'L');
    if (count && count->plain && count->number.value == 0) return;  // data only
    if (!has_axis_word(b.line, s_.kind)) return;
    b.effect.kind = BlockKind::Cycle;
    const bool absolute = s_.distance.is(900);
    const bool repeated = count && (!count->plain || count->number.value != 1);
    bool known = s_.units.known() && s_.work_offset.known() && frame_plain() &&
                 s_.cutter_comp.is(400) && mill_length_known(s_) && d.complete() && absolute &&
                 s_.return_level.known() && s_.initial_z.known();
    Lazy why(*this, "cycle hole not followed (" + b.line.code + ")");
    for (const char a : {'X', 'Y'}) {
        if (!find_word(b.line, a)) continue;
        b.effect.axes |= bit(axis_index(a));
        NcNumber target;
        const bool ok = axis_target(b, axis_index(a), target) && !(repeated && !absolute);
        if (ok)
            s_.axis(a).at.set(target);
        else
            s_.axis(a).at.lose(why());
        s_.axis(a).parked = Parked::No;
        s_.axis(a).used = true;
        known = known && ok;
    }
    AxisState& z = s_.axis('Z');
    z.parked = Parked::No;
    b.effect.axes |= bit(axis_index('Z'));
    if (known)
        z.at.set(s_.return_level.is(990) ? *d.r : *s_.initial_z);
    else
        z.at.lose(why());
    b.effect.known = known;
}

// A lathe's G90 / G92 / G94 pass: from the start point and back to it.
void NcInterpreter::turning_pass(Block& b) {
    b.effect.kind = BlockKind::Cycle;
    b.effect.known = s_.axis('X').at.known() && s_.axis('Z').at.known() && frame_plain() &&
                     s_.units.known() && s_.work_offset.known() && s_.distance.known();
}

void NcInterpreter::machine_move(Block& b) {
    const auto writes = [&b](std::initializer_list<int> codes) {
        return std::any_of(b.line.words.begin(), b.line.words.end(), [codes](const NcWord& w) {
            return w.letter == 'G' &&
                   std::find(codes.begin(), codes.end(), code_tenths(w)) != codes.end();
        });
    };
    const bool reference = writes({280, 300}), machine = writes({530});
    b.effect.kind = BlockKind::Machine;
    b.effect.retract = machine_retract(b.line, s_.kind);
    // G53 is read only in absolute; G28 passes its point in work terms, G31
    // stops where a probe touches.
    bool known = machine ? s_.distance.is(900) : reference;
    Lazy why(*this, "moved in machine terms (" + b.line.code + ")");
    for (std::size_t i = 0; i < axis_count; ++i) {
        const bool named = std::any_of(
            b.line.words.begin(), b.line.words.end(),
            [&](const NcWord& w) { return axis_of(w.letter, s_.kind) == static_cast<int>(i); });
        if (!named) continue;
        NcNumber through;
        if (reference && b.effect.retract.empty())
            known = known && axis_target(b, static_cast<int>(i), through) && frame_plain();
        b.effect.axes |= bit(static_cast<int>(i));
        AxisState& a = s_.axes[i];
        a.at.lose(why());
        a.parked = reference || machine ? Parked::Retract : Parked::No;
        a.used = true;
    }
    b.effect.known = known;
}

// G92 (a lathe's G50) with axes: the tool stands where the block says, in a
// frame the control keeps and no block restores.
void NcInterpreter::set_coordinates(Block& b) {
    s_.frame(Frame::CoordinateSet).set(true);
    for (const NcWord& w : b.line.words) {
        const int i = axis_of(w.letter, s_.kind);
        if (i < 0) continue;
        AxisState& a = s_.axes[static_cast<std::size_t>(i)];
        a.used = true;
        if (w.plain && is_axis_letter(w.letter, s_.kind))
            a.at.set(w.number);
        else
            a.at.lose(cause("coordinates set (" + b.line.code + ")"));
    }
}

std::string machine_retract(const NcLine& block, MachineKind kind) {
    bool machine = false, reference = false, incremental = false;
    std::string g_words, axis_words;
    // The G codes first: they say what every axis word of the block means.
    for (const NcWord& w : block.words) {
        if (!w.plain) return "";
        if (w.letter != 'G') continue;
        const int g = code_tenths(w);
        machine = machine || g == 530;
        reference = reference || g == 280 || g == 300;
        incremental = incremental || g == 910;
        if (g != 530 && g != 280 && g != 300 && g != 910 && g != 900 && g != 0) return "";
        if (g == 900 && kind == MachineKind::Lathe) return "";  // with axes, a turning cycle
        // G00 is left out: these move at rapid anyway, and it would end a cycle.
        if (g != 0) g_words += code_text('G', g) + " ";
    }
    for (const NcWord& w : block.words) {
        if (axis_of(w.letter, kind) >= 0) {
            axis_words += " " + std::string(1, w.letter) + w.text;
            const bool relative =
                incremental || (kind == MachineKind::Lathe && (w.letter == 'U' || w.letter == 'W'));
            // G28 / G30 pass through the point given: only "here" is no move.
            if (reference && !(relative && w.number.value == 0)) return "";
            if (machine && kind == MachineKind::Mill && w.letter != 'Z') return "";
        } else if (std::string_view("FHRIJKL").find(w.letter) != std::string_view::npos) {
            return "";
        }
    }
    // G53 is read only in G90.
    if (machine == reference || axis_words.empty() || (machine && incremental)) return "";
    g_words.pop_back();
    return g_words + axis_words;
}

}  // namespace feedrite
