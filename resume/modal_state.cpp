// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/modal_state.h"

#include <algorithm>
#include <map>
#include <set>

namespace feedrite {
namespace {

std::string g_text(int tenths) {
    std::string text = "G" + std::string(tenths < 100 ? "0" : "") + std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

// Warnings of one kind, with the lines they were found on.
class Warnings {
  public:
    /// `example`, from the first line found, is shown after `what`.
    void add(const std::string& what, std::int64_t line, const std::string& example = "") {
        auto [it, fresh] = found_.try_emplace(what);
        if (fresh) order_.push_back(what), examples_[what] = example;
        it->second.push_back(line);
    }
    void add(const std::string& what) { order_.push_back(what), found_[what]; }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const std::string& what : order_) {
            const std::vector<std::int64_t>& lines = found_.at(what);
            if (lines.empty()) {
                out.push_back(what);
                continue;
            }
            std::string text = lines.size() == 1 ? "line " : "lines ";
            for (std::size_t i = 0; i < lines.size() && i < 3; ++i)
                text += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
            if (lines.size() > 3) text += " and " + std::to_string(lines.size() - 3) + " more";
            const std::string& example = examples_.at(what);
            text += ": " + what;
            if (!example.empty()) text += " (" + example + ")";
            out.push_back(text);
        }
        return out;
    }

  private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<std::int64_t>> found_;
    std::map<std::string, std::string> examples_;
};

// A lathe's T word names the tool, then its offset: T0303, T33, T101.
std::string tool_number(const std::string& t) {
    return t.size() >= 3 ? t.substr(0, t.size() - 2) : t.substr(0, 1);
}

bool is_axis(char letter) {
    return std::string_view("XYZABCUVW").find(letter) != std::string_view::npos;
}

class Scanner {
  public:
    explicit Scanner(MachineKind kind) { state_.kind = kind; }

    void read(std::string_view text, std::int64_t line) {
        line_ = line;
        const NcLine block = read_nc_line(text);
        if (block.kind == NcLineKind::Statement)
            warnings_.add("macro statement not evaluated", line, block.code);
        if (block.kind != NcLineKind::Block) return;
        for (const NcWord& word : block.words)
            if (!word.plain)
                warnings_.add("macro value not evaluated", line, word.letter + word.text);
        const NcWord* n = find_word(block, 'N');
        if (n && n->plain) {
            numbered_.insert(n->number.value);
            if (contour_ && n->number.value == contour_->last) contour_.reset();
        }
        read_block(block);
    }

    /// The sequence numbers of the lines read.
    [[nodiscard]] const std::set<double>& numbered() const { return numbered_; }

    ModalScan finish(std::int64_t line) {
        const std::string before = " before line " + std::to_string(line);
        if (state_.cycle)
            warnings_.add(g_text(*state_.cycle) + " cycle of line " +
                          std::to_string(state_.cycle_line) + " in force" + before +
                          ": the preamble cancels it and leaves G00; resume at line " +
                          std::to_string(state_.cycle_line) + " to cut its positions");
        if (contour_)
            warnings_.add("line " + std::to_string(line) + " lies in the contour of the " +
                          g_text(contour_->g) + " cycle at line " + std::to_string(contour_->line) +
                          " (N" + contour_->p + " to N" + contour_->q +
                          "): sent alone, its blocks would run as moves");
        for (const Transform& s : transforms())
            if (in_force_.contains(s.on))
                warnings_.add(std::string(s.name) + " (" + g_text(s.on) + ") in force" + before +
                              ": not restored");
        // A Z at a machine retract is known where it matters: the top.
        for (const AxisPosition& a : state_.axes)
            if (!a.known && used_.find(a.letter) != std::string::npos &&
                state_.at_retract.find(a.letter) == std::string::npos)
                warnings_.add(std::string("position of ") + a.letter + " unknown" + before);
        return {state_, warnings_.texts()};
    }

  private:
    bool lathe() const { return state_.kind == MachineKind::Lathe; }

    enum class Context { Move, DrillCycle, None, Unknown, Set };

    void read_block(const NcLine& block) {
        if (changes_tool(block)) change_tool();
        Context context = Context::Move;
        for (const NcWord& word : block.words)
            if (word.letter == 'G' && word.plain) read_g(code_tenths(word), block, context);
        // In a cycle's later blocks the axes name the next hole or pass.
        if (context == Context::Move && state_.cycle)
            context = is_drill_cycle(*state_.cycle) ? Context::DrillCycle : Context::None;
        const bool retract = !machine_retract(block, state_.kind).empty();
        if (retract) note_retract(block);
        read_words(block, context, word_roles(block, state_.kind));
        if (context == Context::Move) note_approach(block);
        for (const NcWord& word : block.words)
            if (word.letter == 'M' && word.plain) read_m(code_tenths(word), block);
    }

  public:
    /// A mill's M06, or a lathe's T that calls another tool (T0303 after
    /// T0101; T0100 only cancels the offset).
    [[nodiscard]] bool changes_tool(const NcLine& block) const {
        if (!lathe())
            return std::any_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
                return w.letter == 'M' && code_tenths(w) == 60;
            });
        const NcWord* t = find_word(block, 'T');
        return t != nullptr && t->plain && tool_number(t->text) != tool_number(state_.tool);
    }

  private:
    // What belonged to the tool before is no longer in force for the new one.
    void change_tool() {
        state_.tool_change_line = line_;
        state_.tool_length.reset();
        state_.length_h.clear();
        state_.speed.clear();
        state_.spindle.reset();
        state_.coolant.reset();
    }

    // The program's own approach habits: where its rapids run and at which
    // feed it goes down in Z.
    void note_approach(const NcLine& block) {
        const bool z = has_any(block, lathe() ? "ZW" : "Z");
        const bool other = has_any(block, lathe() ? "XUYABC" : "XYABCUVW");
        std::string& top = state_.at_retract;
        std::erase_if(top, [&](char a) {
            return a == 'Z' ? z : has_any(block, a == 'X' && lathe() ? "XU" : std::string(1, a));
        });
        const bool z_top = top.find('Z') != std::string::npos;
        if (lathe()) {
            // Where the last rapid ended, in both axes.
            const auto at = [this](char a) {
                return state_.axis(a).known ? std::optional(state_.axis(a).position) : std::nullopt;
            };
            if (state_.motion == 0 && (z || other))
                state_.rapid_x = at('X'), state_.rapid_z = at('Z');
            if (state_.motion == 10 && other && !z) state_.plunge_feed_x = state_.feed;
        }
        if (!lathe() && state_.motion == 0 && z && state_.axis('Z').known)
            state_.rapid_z = state_.axis('Z').position;
        // A rapid in X or Y alone says it best; one that also went to a
        // height counts until such a rapid is seen.
        if (state_.motion == 0 && other && (!z || !plain_traverse_)) {
            plain_traverse_ = !z;
            state_.traverse_retracted = z_top;
            state_.traverse_z.reset();
            if (!z_top && state_.axis('Z').known) state_.traverse_z = state_.axis('Z').position;
        }
        if (state_.motion == 10 && z && !other) state_.plunge_feed = state_.feed;
    }

    // The axes a machine retract moved stand at the top, in machine terms.
    void note_retract(const NcLine& block) {
        for (const NcWord& w : block.words) {
            const char axis = lathe() && w.letter == 'U'   ? 'X'
                              : lathe() && w.letter == 'W' ? 'Z'
                                                           : w.letter;
            if (is_axis(axis) && state_.at_retract.find(axis) == std::string::npos)
                state_.at_retract += axis;
        }
    }

    void read_g(int g, const NcLine& block, Context& context) {
        const GKind kind = classify_g(g, state_.kind, block);
        if ((kind == GKind::DrillCycle || kind == GKind::TurningCycle) && state_.cycle != g)
            state_.cycle_line = line_;
        apply_modal(state_, g, kind);
        switch (kind) {
            case GKind::Motion:
            case GKind::Plane:
            case GKind::Units:
            case GKind::Distance:
            case GKind::FeedMode:
            case GKind::CycleCancel:
            case GKind::ReturnLevel:  // a mill's drill cycles return to it
            case GKind::NoEffect:     // exact stop and cutting modes: nothing to restore
                break;
            case GKind::LatheCycle: {
                context = Context::None;  // a multiple repetitive cycle: its words are no moves
                const NcWord *p = find_word(block, 'P'), *q = find_word(block, 'Q');
                if ((g == 710 || g == 720 || g == 730) && p && q && p->plain && q->plain)
                    contour_ = Contour{g, p->text, q->text, q->number.value, line_};
                break;
            }
            case GKind::TurningCycle:
                context = Context::None;
                break;
            case GKind::DrillCycle:
                context = Context::DrillCycle;
                break;
            case GKind::SpeedMode:
                state_.speed_mode = g;
                break;
            case GKind::WorkOffset: {
                const NcWord* p = find_word(block, 'P');
                state_.work_offset =
                    g_text(g) + ((g == 541 || g == 1540) && p ? " P" + p->text : "");
                break;
            }
            case GKind::CutterComp:
                state_.cutter_comp = g;
                if (const NcWord* d = find_word(block, 'D')) state_.comp_d = d->text;
                break;
            case GKind::ToolLength:
                state_.tool_length = g;
                if (const NcWord* h = find_word(block, 'H')) state_.length_h = h->text;
                break;
            case GKind::CoordinateSet:
                read_coordinate_set(g, block, context);
                break;
            case GKind::MachineMove:
                // the axes end at a reference point, a skip or in machine terms
                context = Context::Unknown;
                break;
            case GKind::Dwell:
            case GKind::NoMove:
                context = Context::None;  // dwell, data setting, reference check: no moves
                break;
            case GKind::MacroCall:
                warnings_.add("macro call (" + block.code +
                                  ") not followed: its effect on the state is unknown",
                              line_);
                if (g == 660) in_force_.insert(g);
                context = Context::None;
                break;
            case GKind::LocalSystem: {
                context = Context::None;
                const bool cancel =
                    std::all_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
                        return w.letter == 'G' || !w.plain || w.number.value == 0;
                    });
                if (cancel)
                    in_force_.erase(g);
                else
                    in_force_.insert(g);
                break;
            }
            case GKind::Transform:
                for (const Transform& s : transforms()) {
                    if (s.on == g) in_force_.insert(g);
                    if (s.off == g) in_force_.erase(s.on);
                }
                context = Context::None;
                break;
            case GKind::InverseTime:
            case GKind::Unknown:
                warnings_.add(g_text(g) + " not known to the scan: not restored", line_);
                break;
        }
    }

    void read_coordinate_set(int g, const NcLine& block, Context& context) {
        if (const NcWord* s = find_word(block, 'S')) state_.speed_limit = s->text;
        if (has_any(block, "XYZUW")) {
            warnings_.add("coordinate system set by " + g_text(g) + ": not restored", line_);
            context = Context::Set;
        } else {
            context = Context::None;
        }
    }

    void read_words(const NcLine& block, Context context, WordRoles roles) {
        for (const NcWord& word : block.words) {
            const char letter = word.letter;
            // A value the scan cannot work out is no value: nothing stale is restored.
            const auto keep = [&word](std::string& into) {
                into = word.plain ? word.text : std::string();
            };
            if (letter == 'F' && roles.feed_rate) keep(state_.feed);
            // "Z0" is written so in either notation.
            if (is_axis(letter) && word.plain && word.number.value != 0)
                state_.z_points = word.number.point;
            if (letter == 'S' && roles.spindle_speed) keep(state_.speed);
            if (letter == 'T') keep(lathe() ? state_.tool : state_.next_tool);
            if (letter == 'H' && word.plain && state_.tool_length && *state_.tool_length != 490)
                state_.length_h = word.text;
            if (letter == 'D' && word.plain && state_.cutter_comp && *state_.cutter_comp != 400)
                state_.comp_d = word.text;
            const char axis = lathe() && letter == 'U'   ? 'X'
                              : lathe() && letter == 'W' ? 'Z'
                                                         : letter;
            auto* a = find_axis(axis);
            if (a == nullptr || context == Context::None) continue;
            if (axis == 'Z' && context == Context::DrillCycle)
                continue;  // the depth: the tool comes back up
            if (used_.find(axis) == std::string::npos) used_ += axis;
            if (context == Context::Unknown || !word.plain) {
                a->known = false;
                continue;
            }
            const bool incremental =
                letter != axis || (state_.distance == 910 && context != Context::Set);
            if (incremental && repeats(block, context)) {
                // Where n repeats of an increment end is left to the control.
                warnings_.add(std::string("repeated incremental move of ") + axis +
                                  " not followed: its position is unknown",
                              line_, block.code);
                a->known = false;
                continue;
            }
            move(*a, word.number, incremental);
        }
    }

    // L (or a drill cycle's K) repeats the block's increments.
    bool repeats(const NcLine& block, Context context) const {
        const NcWord* count = find_word(block, 'L');
        if (count == nullptr && context == Context::DrillCycle && !lathe())
            count = find_word(block, 'K');
        return count != nullptr && (!count->plain || count->number.value != 1);
    }

    void move(AxisPosition& a, const NcNumber& value, bool incremental) {
        if (incremental && !a.known) {
            warnings_.add(
                std::string("incremental move of ") + a.letter + " from an unknown position",
                line_);
            return;
        }
        if (incremental) {
            a.position.value += value.value;
            a.position.point = a.position.point || value.point;
            a.position.decimals = std::max(a.position.decimals, value.decimals);
        } else {
            a.position = value;
        }
        a.known = true;
        if (a.letter == 'Z' && (!state_.highest_z || a.position.value > state_.highest_z->value))
            state_.highest_z = a.position;
    }

    void read_m(int m, const NcLine& block) {
        if (m == 30 || m == 40 || m == 50) state_.spindle = m;
        if (m == 190) state_.spindle = 50;  // an oriented spindle stands
        if (m == 70 || m == 80 || m == 90) state_.coolant = m;
        if (m == 60 && !lathe()) {
            if (!state_.next_tool.empty())
                state_.tool = state_.next_tool;
            else
                warnings_.add("M06 without a tool selected", line_);
            state_.next_tool.clear();
        }
        if (m == 980 || m == 970)
            warnings_.add("call to a program the scan does not have (" + block.code +
                              "): its effect on the state is unknown",
                          line_);
        if (m == 990)
            warnings_.add("M99 return or jump: the order of the blocks is not known", line_);
    }

    AxisPosition* find_axis(char letter) {
        for (AxisPosition& a : state_.axes)
            if (a.letter == letter) return &a;
        return nullptr;
    }

    // A lathe roughing cycle's finished shape, N first to N last: the cycle
    // reads those blocks, the control never runs them one by one.
    struct Contour {
        int g;
        std::string p, q;
        double last;
        std::int64_t line;
    };

    ModalState state_;
    Warnings warnings_;
    std::optional<Contour> contour_;
    std::set<double> numbered_;
    std::int64_t line_ = 0;
    std::set<int> in_force_;
    std::string used_;
    bool plain_traverse_ = false;  // the traverse height comes from a rapid in X or Y alone
};

}  // namespace

const AxisPosition& ModalState::axis(char letter) const {
    for (const AxisPosition& a : axes)
        if (a.letter == letter) return a;
    return axes[0];
}

std::string machine_retract(const NcLine& block, MachineKind kind) {
    bool machine = false, reference = false, incremental = false;
    std::string g_words, axis_words;
    for (const NcWord& w : block.words) {
        if (!w.plain) return "";
        if (w.letter == 'G') {
            const int g = code_tenths(w);
            machine = machine || g == 530;
            reference = reference || g == 280 || g == 300;
            incremental = incremental || g == 910;
            if (g != 530 && g != 280 && g != 300 && g != 910 && g != 0) return "";
            g_words += g_text(g) + " ";
        } else if (is_axis(w.letter)) {
            axis_words += " " + std::string(1, w.letter) + w.text;
            const bool relative =
                incremental || (kind == MachineKind::Lathe && (w.letter == 'U' || w.letter == 'W'));
            // G28 / G30 pass through the point given: only "here" is no move.
            if (reference && !(relative && w.number.value == 0)) return "";
            if (machine && kind == MachineKind::Mill && w.letter != 'Z') return "";
        } else if (w.letter == 'F' || w.letter == 'H' || w.letter == 'R' || w.letter == 'I' ||
                   w.letter == 'J' || w.letter == 'K' || w.letter == 'L') {
            return "";
        }
    }
    if (machine == reference || axis_words.empty()) return "";
    g_words.pop_back();
    return g_words + axis_words;
}

namespace {

// A lathe finishing cycle (G70 P Q) from `line` on reads its contour where it
// stands in the program: one that starts before `line` is not on the resumed tape.
void warn_of_contours_left_behind(const std::vector<std::string_view>& lines, std::int64_t line,
                                  const std::set<double>& numbered_before,
                                  std::vector<std::string>& warnings) {
    for (std::int64_t i = line - 1; i < static_cast<std::int64_t>(lines.size()); ++i) {
        const NcLine block = read_nc_line(lines[static_cast<std::size_t>(i)]);
        const NcWord *p = find_word(block, 'P'), *q = find_word(block, 'Q');
        const bool finishing = std::any_of(
            block.words.begin(), block.words.end(),
            [](const NcWord& w) { return w.letter == 'G' && w.plain && code_tenths(w) == 700; });
        if (finishing && p && q && p->plain && numbered_before.contains(p->number.value))
            warnings.push_back("line " + std::to_string(i + 1) + ": G70 finishes the contour N" +
                               p->text + " to N" + q->text + ", which starts before line " +
                               std::to_string(line) + ": the resumed tape does not hold it");
    }
}

// What the whole program does: whether it calls length offsets, and how it
// retracts before a tool change (before `line` if it does so there, else
// after it, else its last retract of all).
struct Habits {
    bool length_offsets = false;
    std::vector<std::string> retract;
};

Habits habits_of(const std::vector<std::string_view>& lines, MachineKind kind, std::int64_t line) {
    Habits habits;
    std::vector<std::string> run, last, before, after;
    bool retracted = false;  // no other move since the last retract
    std::string tool;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const NcLine block = read_nc_line(lines[i]);
        bool change = false;
        for (const NcWord& w : block.words) {
            const int code = code_tenths(w);
            habits.length_offsets =
                habits.length_offsets || (w.letter == 'G' && (code == 430 || code == 440));
            change = change || (kind == MachineKind::Mill && w.letter == 'M' && code == 60);
            if (kind == MachineKind::Lathe && w.letter == 'T' && w.plain) {
                change = change || tool_number(w.text) != tool_number(tool);
                tool = w.text;
            }
        }
        if (const std::string r = machine_retract(block, kind); !r.empty()) {
            if (!retracted) run.clear();
            run.push_back(r);
            last = run;
            retracted = true;
        } else if (std::any_of(block.words.begin(), block.words.end(),
                               [](const NcWord& w) { return is_axis(w.letter); })) {
            retracted = false;
        }
        if (change && retracted) {
            if (static_cast<std::int64_t>(i) + 1 < line)
                before = run;
            else if (after.empty())
                after = run;
        }
    }
    habits.retract = !before.empty() ? before : !after.empty() ? after : last;
    return habits;
}

// The lines from `line` on that a cycle in force would still have cut: the
// preamble cancels it, so they are only positions.
void warn_of_cycle_lines_left(const std::vector<std::string_view>& lines, std::int64_t line,
                              const ModalState& state, std::vector<std::string>& warnings) {
    if (!state.cycle) return;
    std::vector<std::int64_t> found;
    const auto end = std::min<std::int64_t>(static_cast<std::int64_t>(lines.size()), line + 10000);
    for (std::int64_t i = line - 1; i < end; ++i) {
        const NcLine block = read_nc_line(lines[static_cast<std::size_t>(i)]);
        const bool ends = std::any_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
            const int g = code_tenths(w);
            return w.letter == 'G' && (is_motion_code(g) || g == 800 || is_drill_cycle(g));
        });
        if (ends) break;
        if (has_any(block, "XYZUWABC")) found.push_back(i + 1);
    }
    if (found.empty()) return;
    std::string text = found.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < found.size() && i < 3; ++i)
        text += (i == 0 ? "" : ", ") + std::to_string(found[i]);
    if (found.size() > 3) text += " and " + std::to_string(found.size() - 3) + " more";
    warnings.push_back(text + ": " + (found.size() == 1 ? "a position" : "positions") + " of the " +
                       g_text(*state.cycle) + " cycle, not cut after the preamble cancels it");
}

// Whether the program, from `line` on, gives a length offset with its H
// before it moves in Z: then it brings the new tool in by itself.
bool offset_follows(const std::vector<std::string_view>& lines, std::int64_t line) {
    const auto end = std::min<std::int64_t>(static_cast<std::int64_t>(lines.size()), line + 10000);
    for (std::int64_t i = line - 1; i >= 0 && i < end; ++i) {
        const NcLine block = read_nc_line(lines[static_cast<std::size_t>(i)]);
        const bool offset =
            find_word(block, 'H') != nullptr &&
            std::any_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
                return w.letter == 'G' && (code_tenths(w) == 430 || code_tenths(w) == 440);
            });
        if (offset) return true;
        if (has_any(block, "Z") || block.kind == NcLineKind::Statement) return false;
    }
    return false;
}

std::optional<int> motion_written(std::string_view text) {
    std::optional<int> motion;
    for (const NcWord& w : read_nc_line(text).words)
        if (w.letter == 'G' && w.plain && is_motion_code(code_tenths(w))) motion = code_tenths(w);
    return motion;
}

}  // namespace

ModalScan scan_modal_state(const std::vector<std::string_view>& lines, std::int64_t line) {
    const MachineKind kind = machine_kind_of(lines);
    Scanner scanner(kind);
    const auto end = std::min<std::int64_t>(line - 1, static_cast<std::int64_t>(lines.size()));
    for (std::int64_t i = 0; i < end; ++i) scanner.read(lines[static_cast<std::size_t>(i)], i + 1);
    ModalScan scan = scanner.finish(line);
    Habits habits = habits_of(lines, kind, line);
    scan.state.length_offsets_used = habits.length_offsets;
    scan.state.retract = std::move(habits.retract);
    if (line >= 1 && line <= static_cast<std::int64_t>(lines.size())) {
        const std::string_view text = lines[static_cast<std::size_t>(line - 1)];
        scan.state.line_motion = motion_written(text);
        scan.state.line_changes_tool = scanner.changes_tool(read_nc_line(text));
        scan.state.offset_follows = offset_follows(lines, line);
    }
    warn_of_cycle_lines_left(lines, line, scan.state, scan.warnings);
    if (kind == MachineKind::Lathe)
        warn_of_contours_left_behind(lines, line, scanner.numbered(), scan.warnings);
    return scan;
}

}  // namespace feedrite
