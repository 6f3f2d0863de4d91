#include "prepare/modal_state.h"

#include <algorithm>
#include <map>
#include <set>

namespace feedrite {
namespace {

// Modal functions the preamble cannot put back: named once, warned about when
// still in force at the line. Each entry: the code that turns it on, its name,
// the codes that turn it off.
struct Special {
    int on;
    const char* name;
    int off;
};
constexpr Special specials[] = {
    {680, "coordinate rotation", 690},    {511, "mirror image", 501},
    {160, "polar coordinates", 150},      {660, "modal macro call", 670},
    {121, "polar interpolation", 131},    {510, "scaling", 500},
    {520, "local coordinate system", -1},
};

constexpr bool is_motion(int g) {
    return g == 0 || g == 10 || g == 20 || g == 30 || g == 320 || g == 330;
}
constexpr bool is_drill_cycle(int g) {
    return g == 730 || g == 740 || g == 760 || (g >= 810 && g <= 890);
}
constexpr bool is_work_offset(int g) {
    return (g >= 540 && g <= 590 && g % 10 == 0) || g == 541 || g == 1540 ||
           (g >= 1100 && g <= 1290 && g % 10 == 0);
}

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
            out.push_back(text + ": " + what + (example.empty() ? "" : " (" + example + ")"));
        }
        return out;
    }

  private:
    std::vector<std::string> order_;
    std::map<std::string, std::vector<std::int64_t>> found_;
    std::map<std::string, std::string> examples_;
};

bool has_any(const NcLine& block, std::string_view letters) {
    return std::any_of(block.words.begin(), block.words.end(), [&](const NcWord& w) {
        return letters.find(w.letter) != std::string_view::npos;
    });
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
            warnings_.add(g_text(*state_.cycle) + " cycle in force" + before +
                          ": it is cancelled, not resumed");
        if (contour_)
            warnings_.add("line " + std::to_string(line) + " lies in the contour of the " +
                          g_text(contour_->g) + " cycle at line " + std::to_string(contour_->line) +
                          " (N" + contour_->p + " to N" + contour_->q +
                          "): sent alone, its blocks would run as moves");
        for (const Special& s : specials)
            if (in_force_.contains(s.on))
                warnings_.add(std::string(s.name) + " (" + g_text(s.on) + ") in force" + before +
                              ": not restored");
        for (const AxisPosition& a : state_.axes)
            if (!a.known && used_.find(a.letter) != std::string::npos)
                warnings_.add(std::string("position of ") + a.letter + " unknown" + before);
        return {state_, warnings_.texts()};
    }

  private:
    bool lathe() const { return state_.kind == MachineKind::Lathe; }

    enum class Context { Move, DrillCycle, None, Unknown, Set };

    void read_block(const NcLine& block) {
        Context context = Context::Move;
        bool limit = false;  // S is the spindle's speed limit, not its speed
        for (const NcWord& word : block.words)
            if (word.letter == 'G' && word.plain) read_g(code_tenths(word), block, context, limit);
        // In a cycle's later blocks the axes name the next hole or pass.
        if (context == Context::Move && state_.cycle)
            context = is_drill_cycle(*state_.cycle) ? Context::DrillCycle : Context::None;
        read_words(block, context, limit);
        for (const NcWord& word : block.words)
            if (word.letter == 'M' && word.plain) read_m(code_tenths(word), block);
    }

    void read_g(int g, const NcLine& block, Context& context, bool& limit) {
        // On a lathe G90 / G94 with axes and no motion code is a turning or facing cycle.
        const auto cycle_block = [&] {
            const bool motion_word =
                std::any_of(block.words.begin(), block.words.end(), [](const NcWord& w) {
                    return w.letter == 'G' && w.plain && is_motion(code_tenths(w));
                });
            return lathe() && has_any(block, "XYZUWABC") && !motion_word;
        };
        if (is_motion(g)) {
            state_.motion = g, state_.cycle.reset();
        } else if (g >= 170 && g <= 190 && g % 10 == 0) {
            state_.plane = g;
        } else if (g == 200 || g == 210) {
            state_.units = g;
        } else if ((g == 700 || g == 710) && !lathe() && !has_any(block, "PQUWRD")) {
            state_.units = g;  // inch / metric on controls that use G70 / G71 for it
        } else if (g >= 700 && g <= 760 && lathe()) {
            context = Context::None;  // a multiple repetitive cycle: its words are no moves
            const NcWord *p = find_word(block, 'P'), *q = find_word(block, 'Q');
            if ((g == 710 || g == 720 || g == 730) && p && q && p->plain && q->plain)
                contour_ = Contour{g, p->text, q->text, q->number.value, line_};
        } else if ((g == 900 || g == 940) && cycle_block()) {
            state_.cycle = g, context = Context::None;
        } else if (g == 920 && lathe() && has_any(block, "F")) {
            state_.cycle = g, context = Context::None;
        } else if (g == 900 || g == 910) {
            state_.distance = g;
        } else if (g == 940 || g == 950 || (lathe() && (g == 980 || g == 990))) {
            state_.feed_mode = g;
        } else if (g == 960 || g == 970) {
            state_.speed_mode = g;
        } else if (is_work_offset(g)) {
            const NcWord* p = find_word(block, 'P');
            state_.work_offset = g_text(g) + ((g == 541 || g == 1540) && p ? " P" + p->text : "");
        } else if (g >= 400 && g <= 420 && g % 10 == 0) {
            state_.cutter_comp = g;
            if (const NcWord* d = find_word(block, 'D')) state_.comp_d = d->text;
        } else if (g == 430 || g == 440 || g == 490) {
            state_.tool_length = g;
            if (const NcWord* h = find_word(block, 'H')) state_.length_h = h->text;
        } else if (g == 800) {
            state_.cycle.reset();
        } else if (is_drill_cycle(g)) {
            state_.cycle = g, context = Context::DrillCycle;
        } else if ((g == 500 && lathe()) || g == 920) {
            limit = find_word(block, 'S') != nullptr;
            read_coordinate_set(g, block, context);
        } else if (g == 280 || g == 300 || g == 310 || g == 530) {
            context =
                Context::Unknown;  // the axes end at a reference point, a skip or in machine terms
        } else if (g == 40 || g == 100 || g == 110 || g == 270) {
            context = Context::None;  // dwell, data setting, reference check: no moves
        } else if (g == 90 || (g >= 610 && g <= 640) || (g >= 980 && g <= 990)) {
            // exact stop and cutting modes, the drill cycles' return level: nothing to restore
        } else if (g == 650 || g == 660) {
            warnings_.add(
                "macro call (" + block.code + ") not followed: its effect on the state is unknown",
                line_);
            if (g == 660) in_force_.insert(g);
            context = Context::None;
        } else if (g == 520) {
            context = Context::None;
            const bool cancel = std::all_of(
                block.words.begin(), block.words.end(),
                [](const NcWord& w) { return w.letter == 'G' || !w.plain || w.number.value == 0; });
            if (cancel)
                in_force_.erase(g);
            else
                in_force_.insert(g);
        } else if (std::any_of(std::begin(specials), std::end(specials),
                               [g](const Special& s) { return s.on == g || s.off == g; })) {
            for (const Special& s : specials) {
                if (s.on == g) in_force_.insert(g);
                if (s.off == g) in_force_.erase(s.on);
            }
            context = Context::None;
        } else {
            warnings_.add(g_text(g) + " not known to the scan: not restored", line_);
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

    void read_words(const NcLine& block, Context context, bool limit) {
        for (const NcWord& word : block.words) {
            const char letter = word.letter;
            // A value the scan cannot work out is no value: nothing stale is restored.
            const auto keep = [&word](std::string& into) {
                into = word.plain ? word.text : std::string();
            };
            if (letter == 'F' && context != Context::None) keep(state_.feed);
            if (letter == 'S' && !limit) keep(state_.speed);
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
            move(*a, word.number, incremental);
        }
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
};

}  // namespace

const AxisPosition& ModalState::axis(char letter) const {
    for (const AxisPosition& a : axes)
        if (a.letter == letter) return a;
    return axes[0];
}

std::vector<std::string_view> program_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
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

}  // namespace

ModalScan scan_modal_state(const std::vector<std::string_view>& lines, std::int64_t line) {
    const MachineKind kind = machine_kind_of(lines);
    Scanner scanner(kind);
    const auto end = std::min<std::int64_t>(line - 1, static_cast<std::int64_t>(lines.size()));
    for (std::int64_t i = 0; i < end; ++i) scanner.read(lines[static_cast<std::size_t>(i)], i + 1);
    ModalScan scan = scanner.finish(line);
    if (kind == MachineKind::Lathe)
        warn_of_contours_left_behind(lines, line, scanner.numbered(), scan.warnings);
    return scan;
}

}  // namespace feedrite
