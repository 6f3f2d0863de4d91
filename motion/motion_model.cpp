// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/motion_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

#include "base/stop_request.h"
#include "motion/nc_interpreter.h"

namespace feedrite {
namespace {

constexpr double two_pi = 2 * std::numbers::pi;

// A view keeps the whole program's moves: they stay small.
static_assert(sizeof(Move) == 16 && sizeof(BlockMotion) == 12);

// Axis indexes of a plane: its first and second axis, then its normal.
std::array<int, 3> plane_axes(int plane) {
    if (plane == 180) return {2, 0, 1};
    if (plane == 190) return {1, 2, 0};
    return {0, 1, 2};
}

struct Vec {
    std::array<double, 3> v{};
    std::array<bool, 3> known{};  // the delta (or position) of each axis is known
};

class Interpreter {
  public:
    Interpreter(const MotionSettings& settings, std::vector<Move>& moves,
                std::vector<ArcCentre>& arcs, std::size_t budget)
        : settings_(settings), moves_(moves), arcs_(arcs), budget_(budget) {
        // A lathe has no Y: it stands at 0 from the start and nothing loses it.
        if (lathe()) codes_.plane = 180, known_[1] = true;
    }

    BlockMotion read(std::string_view text) {
        block_ = BlockMotion{static_cast<std::uint32_t>(moves_.size()), 0, 0};
        moved_ = false, cutting_ = true;
        const NcLine block = read_nc_line(text);
        if (block.kind == NcLineKind::Statement) block_.flags |= block_unknown;
        if (block.kind == NcLineKind::Block) read_block(block);
        finish_flags();
        return block_;
    }

  private:
    enum class Context { Move, DrillCycle, TurningPass, None, Machine, Set, Dwell };

    [[nodiscard]] bool lathe() const { return settings_.kind == MachineKind::Lathe; }
    [[nodiscard]] double unit() const {
        return codes_.units == 200 || codes_.units == 700 ? 25.4 : 1;
    }
    [[nodiscard]] bool incremental() const { return codes_.distance == 910; }

    void read_block(const NcLine& block) {
        Context context = Context::Move;
        const WordRoles roles = word_roles(block, settings_.kind);
        bool started_cycle = false;
        for (const NcWord& w : block.words) {
            if (w.letter != 'G') continue;
            if (!w.plain) {
                block_.flags |= block_unknown;
                continue;
            }
            const int g = code_tenths(w);
            const GKind kind = classify_g(g, settings_.kind, block);
            if (kind == GKind::DrillCycle && codes_.cycle != g) started_cycle = true;
            const std::optional<int> cycle_before = codes_.cycle;
            apply_modal(codes_, g, kind);
            switch (kind) {
                case GKind::DrillCycle:
                    context = Context::DrillCycle;
                    break;
                case GKind::InverseTime:
                    inverse_time_ = true;
                    break;
                case GKind::FeedMode:
                    inverse_time_ = false;
                    break;
                case GKind::SpeedMode:
                    // Leaving G96 without an S keeps the speed the spindle turns at.
                    if (g == 970 && surface_speed_) rpm_ = here_rpm();
                    surface_speed_ = g == 960;
                    break;
                case GKind::WorkOffset:
                    change_offset(w.text +
                                  (find_word(block, 'P') ? find_word(block, 'P')->text : ""));
                    break;
                case GKind::CoordinateSet:
                    context = Context::Set;
                    break;
                case GKind::LocalSystem:
                    // An offset of unknown sum from here on, unless it is cancelled.
                    context = Context::None;
                    lose_all();
                    break;
                case GKind::Dwell:
                    context = Context::Dwell;
                    break;
                case GKind::NoMove:
                    context = Context::None;
                    break;
                case GKind::TurningCycle:
                    context = Context::TurningPass;
                    if (codes_.cycle != cycle_before) turning_target_ = {};
                    break;
                case GKind::LatheCycle:
                case GKind::MachineMove:
                    context = Context::Machine;
                    break;
                case GKind::MacroCall:
                    context = Context::Machine;
                    switch_transform(g);
                    // G65 runs a macro the model does not have: it may leave any axis anywhere.
                    if (g == 650) {
                        block_.flags |= block_unknown;
                        lose_all();
                    }
                    break;
                case GKind::Transform:
                    switch_transform(g);
                    context = Context::None;
                    break;
                case GKind::Unknown:
                    context = Context::Machine;
                    break;
                default:
                    break;
            }
        }
        if (context == Context::Move && codes_.cycle && is_drill_cycle(*codes_.cycle))
            context = Context::DrillCycle;
        else if (context == Context::Move && codes_.cycle)
            context = Context::TurningPass;  // a turning cycle's next pass
        if (const NcWord* f = find_word(block, 'F'); f && roles.feed_rate) feed_ = plain_value(*f);
        if (const NcWord* s = find_word(block, 'S')) {
            if (!roles.spindle_speed && lathe())
                limit_ = plain_value(*s);  // G50 S: the most the spindle may turn
            else if (roles.spindle_speed && surface_speed_)
                surface_ = plain_value(*s);
            else if (roles.spindle_speed)
                rpm_ = plain_value(*s);
        }
        for (const NcWord& w : block.words) {
            const MFlow flow = w.plain ? m_flow(code_tenths(w)) : MFlow::Call;
            if (w.letter != 'M' || flow == MFlow::None || flow == MFlow::End) continue;
            // A call or jump the model does not have: where it leaves the tool is unknown.
            block_.flags |= block_unknown;
            if (flow == MFlow::Call) lose_all();
        }
        // Under a transform or a modal macro call the axes go where the model cannot follow.
        if (transforms_on_ != 0 && has_any(block, "XYZUW")) context = Context::Machine;
        switch (context) {
            case Context::Move:
                move_block(block);
                break;
            case Context::DrillCycle:
                cycle_block(block, started_cycle);
                break;
            case Context::TurningPass:
                turning_pass(block);
                break;
            case Context::Machine:
                machine_block(block);
                break;
            case Context::Set:
                set_block(block);
                break;
            case Context::Dwell:
                dwell_block(block);
                break;
            case Context::None:
                break;
        }
    }

    // Each transform (and G66) on or off, one bit each.
    void switch_transform(int g) {
        const std::vector<Transform>& all = transforms();
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto bit = static_cast<std::uint32_t>(1U << i);
            if (all[i].on == g) transforms_on_ |= bit;
            if (all[i].off == g) transforms_on_ &= ~bit;
        }
    }

    static std::optional<double> plain_value(const NcWord& w) {
        return w.plain ? std::optional(w.number.value) : std::nullopt;
    }

    // Axis `i`'s word in the block: its target (absolute) or step
    // (incremental), in mm; empty when the block does not name the axis.
    struct AxisWord {
        bool named = false, plain = true, relative = false;
        double value = 0;
    };
    AxisWord axis_word(const NcLine& block, int i) const {
        static constexpr char absolute[] = {'X', 'Y', 'Z'};
        static constexpr char relative[] = {'U', 'V', 'W'};
        AxisWord a;
        for (const NcWord& w : block.words) {
            const bool abs = w.letter == absolute[i];
            const bool rel = lathe() && i != 1 && w.letter == relative[i];
            if (!abs && !rel) continue;
            a.named = true;
            a.plain = w.plain;
            a.relative = rel || incremental();
            // A lathe's X is a diameter.
            a.value = w.number.value * unit() / (lathe() && i == 0 ? 2 : 1);
        }
        return a;
    }

    // The block's end, as steps from where the tool stands.
    Vec steps(const NcLine& block) const {
        Vec d;
        for (int i = 0; i < 3; ++i) {
            const AxisWord a = axis_word(block, i);
            if (!a.named) {
                d.known[i] = true;
                continue;
            }
            if (!a.plain) continue;
            if (a.relative) {
                d.v[i] = a.value, d.known[i] = true;
            } else if (known_[i]) {
                d.v[i] = a.value - pos_[i], d.known[i] = true;
            } else {
                d.v[i] = a.value;  // absolute: the position is known from here, the step is not
            }
        }
        return d;
    }

    // Where the block puts each axis: known after an absolute word, unknown
    // after a word that is no number.
    void take_positions(const NcLine& block, const Vec& d) {
        for (int i = 0; i < 3; ++i) {
            const AxisWord a = axis_word(block, i);
            if (!a.named) continue;
            if (!a.plain) {
                known_[i] = false;
            } else if (!a.relative) {
                pos_[i] = a.value, known_[i] = true;
            } else {
                pos_[i] += d.v[i];
            }
        }
    }

    int repeats(const NcLine& block, bool cycle) const {
        const NcWord* count = find_word(block, 'L');
        if (count == nullptr && cycle && !lathe()) count = find_word(block, 'K');
        if (count == nullptr) return 1;
        return count->plain
                   ? static_cast<int>(std::lround(std::clamp(count->number.value, 0.0, 9999.0)))
                   : -1;
    }

    void move_block(const NcLine& block) {
        const int motion = codes_.motion.value_or(0);
        const bool arc = motion == 20 || motion == 30;
        const bool moves =
            has_any(block, lathe() ? "XZUW" : "XYZ") || (arc && has_any(block, "IJK"));
        if (!moves) return;
        const int count = repeats(block, false);
        if (count < 0) return machine_block(block);
        for (int n = 0; n < count; ++n) {
            const Vec d = steps(block);
            if (arc)
                arc_move(block, d, motion == 20);
            else
                line_move(d,
                          motion == 0     ? MoveKind::Rapid
                          : motion >= 320 ? MoveKind::Thread
                                          : MoveKind::Feed,
                          motion >= 320);
            take_positions(block, d);
            place_end();
        }
    }

    // The end of the last move is where the tool now stands.
    void place_end() {
        Move& m = last();
        for (int i = 0; i < 3; ++i) {
            m.to[static_cast<std::size_t>(i)] = static_cast<float>(pos_[i]);
            if (!known_[i]) m.flags |= static_cast<std::uint8_t>(1 << i);
        }
    }

    // A move of the block; past the budget (repeat counts can multiply a
    // program's moves) it is timed but not kept.
    Move& add(MoveKind kind) {
        moved_ = true;
        cutting_ = cutting_ && kind != MoveKind::Rapid && kind != MoveKind::Unknown;
        Move m;
        m.kind = kind;
        m.plane = static_cast<std::uint8_t>(codes_.plane.value_or(170) / 10);
        kept_ = moves_.size() < budget_;
        if (!kept_) return spare_ = m;
        moves_.push_back(m);
        return moves_.back();
    }
    Move& last() { return kept_ ? moves_.back() : spare_; }

    static bool all_known(const Vec& d) { return d.known[0] && d.known[1] && d.known[2]; }

    void line_move(const Vec& d, MoveKind kind, bool per_rev) {
        Move& m = add(kind);
        if (!all_known(d)) {
            m.flags |= move_length_unknown;
            block_.flags |= block_unknown;
            return;
        }
        const double length = std::hypot(d.v[0], d.v[1], d.v[2]);
        const double x0 = pos_[0], dx = d.v[0];
        add_time(
            length, kind == MoveKind::Rapid, per_rev, known_[0],
            [&](double t) { return x0 + dx * t; }, path_acceleration(d.v));
    }

    void arc_move(const NcLine& block, const Vec& d, bool clockwise) {
        const auto [a, b, n] = plane_axes(codes_.plane.value_or(170));
        Move& m = add(MoveKind::Arc);
        if (clockwise) m.flags |= move_clockwise;
        const auto offset = [&](int axis) -> std::optional<double> {
            const NcWord* w = find_word(block, static_cast<char>('I' + axis));
            if (w == nullptr) return 0.0;
            return w->plain ? std::optional(w->number.value * unit()) : std::nullopt;
        };
        const NcWord* r_word = find_word(block, 'R');
        const auto oa = offset(a), ob = offset(b);
        if (!all_known(d) || (r_word && !r_word->plain) || !oa || !ob) {
            m.flags |= move_length_unknown;
            block_.flags |= block_unknown;
            return;
        }
        const double ea = d.v[a], eb = d.v[b];  // the end, from the start
        double ca = *oa, cb = *ob;              // the centre, from the start
        if (r_word) {
            const double r = r_word->number.value * unit();
            const double chord = std::hypot(ea, eb);
            if (chord == 0) {  // no circle is given by R alone
                m.flags |= move_length_unknown;
                block_.flags |= block_unknown;
                return;
            }
            const double h = std::sqrt(std::max(0.0, r * r - chord * chord / 4));
            // The centre lies left of the chord for a short counter-clockwise
            // arc; a negative R asks for the long one.
            const double side = (clockwise ? -1 : 1) * (r < 0 ? -1 : 1);
            ca = ea / 2 - side * h * eb / chord;
            cb = eb / 2 + side * h * ea / chord;
        }
        const double radius = std::hypot(ca, cb);
        const double from = std::atan2(-cb, -ca), to = std::atan2(eb - cb, ea - ca);
        double sweep = clockwise ? from - to : to - from;
        while (sweep <= 1e-12) sweep += two_pi;
        if (sweep > two_pi) sweep -= two_pi;
        ArcCentre centre;
        centre.centre[static_cast<std::size_t>(a)] = static_cast<float>(pos_[a] + ca);
        centre.centre[static_cast<std::size_t>(b)] = static_cast<float>(pos_[b] + cb);
        centre.centre[static_cast<std::size_t>(n)] = static_cast<float>(pos_[n]);
        centre.sweep = static_cast<float>(sweep);
        centre.move = static_cast<std::uint32_t>(moves_.size() - 1);
        if (kept_) arcs_.push_back(centre);
        // X along the arc, for a spindle at constant surface speed.
        const double turn = clockwise ? -sweep : sweep, rise = d.v[n], x0 = pos_[0];
        const std::array<int, 3> axes{a, b, n};
        const auto x_at = [=](double t) {
            const double angle = from + turn * t;
            const std::array<double, 3> at{ca + radius * std::cos(angle),
                                           cb + radius * std::sin(angle), rise * t};
            for (std::size_t k = 0; k < 3; ++k)
                if (axes[k] == 0) return x0 + at[k];
            return x0;
        };
        // Round an arc the plane's slower axis sets the pace, and the speed
        // at which the turn itself needs no more than that.
        double accel = 0;
        for (const int axis : {a, b}) {
            const double limit = settings_.acceleration[static_cast<std::size_t>(axis)];
            if (limit > 0) accel = accel > 0 ? std::min(accel, limit) : limit;
        }
        add_time(arc_length(radius, sweep, d.v[n]), false, false, known_[0], x_at, accel,
                 accel > 0 ? std::sqrt(accel * radius) : 0);
    }

    // The spindle's speed, rev/min, with the tool at radius `x` (mm): under
    // G96 from the surface speed (m/min, or ft/min in inches) and the
    // diameter, held to the G50 limit; 0 when not known.
    [[nodiscard]] double rpm_at(double x) const {
        if (!surface_speed_) return rpm_.value_or(0);
        if (!lathe() || !surface_) return 0;
        const double per_turn = std::numbers::pi * 2 * std::abs(x);       // mm
        const double surface = *surface_ * (unit() == 1 ? 1000 : 304.8);  // mm/min
        if (per_turn <= 0) return limit_.value_or(0);
        const double rpm = surface / per_turn;
        return limit_ ? std::min(rpm, *limit_) : rpm;
    }
    [[nodiscard]] std::optional<double> here_rpm() const {
        const double rpm = known_[0] ? rpm_at(pos_[0]) : 0;
        return rpm > 0 ? std::optional(rpm) : std::nullopt;
    }

    // Whether F is per spindle revolution: G95, a lathe's G99, and on a
    // lathe that has set neither, the mode its control starts in.
    [[nodiscard]] bool per_revolution() const {
        if (codes_.feed_mode == 950) return true;
        if (!lathe()) return false;
        if (codes_.feed_mode == 990) return true;
        return !codes_.feed_mode && settings_.lathe_starts_per_revolution;
    }

    // Adds a move of `length` mm to the block's time; `x_at(t)` is its X at
    // the share t of the way, known only when `x_known`. With acceleration
    // known (`accel` mm/s^2 along the path, `corner` the fastest an arc
    // allows, mm/s), the move starts and ends at rest.
    template <class XAt>
    void add_time(double length, bool rapid, bool per_rev, bool x_known, XAt x_at, double accel = 0,
                  double corner = 0) {
        if (length == 0) return;
        const std::optional<double> seconds = move_seconds(length, rapid, per_rev, x_known, x_at);
        if (!seconds) {
            block_.flags |= block_unknown;
            return;
        }
        if (inverse_time_ && !rapid) accel = 0;  // the program gave the time itself
        block_.seconds += static_cast<float>(with_acceleration(length, *seconds, accel, corner));
    }

    // The time of a move at its programmed speed.
    template <class XAt>
    std::optional<double> move_seconds(double length, bool rapid, bool per_rev, bool x_known,
                                       XAt x_at) const {
        if (rapid) {
            if (settings_.rapid_mm_per_min <= 0) return std::nullopt;
            return 60 * length / settings_.rapid_mm_per_min;
        }
        const double feed = feed_.value_or(0);
        if (inverse_time_) return feed > 0 ? 60 / feed : 0.0;
        const double mm_per_unit = feed * unit();  // per minute or per turn
        if (mm_per_unit <= 0) return std::nullopt;
        if (!(per_rev || per_revolution())) return 60 * length / mm_per_unit;
        // Per revolution: the speed may change along the move (G96), so the
        // time is summed over short pieces, each at its middle's speed. The
        // time per piece goes with the diameter, so this is exact on a
        // straight move until the G50 limit holds.
        if (surface_speed_ && !x_known) return std::nullopt;
        const int pieces = surface_speed_ ? 64 : 1;
        double minutes = 0;
        for (int k = 0; k < pieces; ++k) {
            const double rpm = rpm_at(x_at((k + 0.5) / pieces));
            if (rpm <= 0) return std::nullopt;
            minutes += length / pieces / (mm_per_unit * rpm);
        }
        return 60 * minutes;
    }

    // The acceleration along a straight step: the axes' limits, each
    // divided by its share of the step; 0 where no axis it moves has one.
    [[nodiscard]] double path_acceleration(const std::array<double, 3>& step) const {
        const double length = std::hypot(step[0], step[1], step[2]);
        double accel = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const double share = std::abs(step[i]) / length, limit = settings_.acceleration[i];
            if (share < 1e-9 || limit <= 0) continue;
            accel = accel > 0 ? std::min(accel, limit / share) : limit / share;
        }
        return accel;
    }

    // A lathe's single-pass cycle from where the tool stands (its start
    // point, where every pass ends): G90 turns along Z and feeds out, G94
    // faces along X and feeds back, G92 threads along Z and comes out at
    // rapid. The target's X and Z stay in force for the next passes; a
    // taper (R) is not followed.
    void turning_pass(const NcLine& block) {
        for (const int i : {0, 2}) {
            const AxisWord w = axis_word(block, i);
            if (!w.named) continue;
            auto& target = turning_target_[static_cast<std::size_t>(i)];
            if (!w.plain || !known_[i])
                target.reset();
            else
                target = w.relative ? pos_[i] + w.value : w.value;
        }
        if (!has_any(block, "XZUW")) return;
        const auto& [x, unused, z] = turning_target_;
        if (find_word(block, 'R') || !x || !z || !known_[0] || !known_[2]) {
            turning_target_ = {};
            return machine_block(block);
        }
        const int g = codes_.cycle.value_or(900);
        const double x0 = pos_[0], z0 = pos_[2];
        const MoveKind cut = g == 920 ? MoveKind::Thread : MoveKind::Feed;
        const MoveKind back = g == 920 ? MoveKind::Rapid : MoveKind::Feed;
        if (g == 940) {
            go_to(2, *z, MoveKind::Rapid);
            go_to(0, *x, MoveKind::Feed);
            go_to(2, z0, MoveKind::Feed);
        } else {
            go_to(0, *x, MoveKind::Rapid);
            go_to(2, *z, cut);
            go_to(0, x0, back);
        }
        go_to(g == 940 ? 0 : 2, g == 940 ? x0 : z0, MoveKind::Rapid);
    }

    // A drill cycle: each hole from where the tool stands, at its level, to
    // the hole, down to R, feed to the depth, back to R or the first level.
    void cycle_block(const NcLine& block, bool started) {
        const auto [a, b, n] = plane_axes(codes_.plane.value_or(170));
        if (started) initial_ = known_[n] ? std::optional(pos_[n]) : std::nullopt;
        const int g = codes_.cycle.value_or(810);
        const AxisWord depth = axis_word(block, n);
        const NcWord* r = find_word(block, 'R');
        if (r) r_word_ = plain_value(*r);
        if (depth.named) depth_ = depth.plain ? std::optional(depth.value) : std::nullopt;
        if (const NcWord* p = find_word(block, 'P'))
            cycle_dwell_ = p->plain ? dwell_seconds(p->number) : 0;
        if (const NcWord* q = find_word(block, 'Q'))
            peck_ = q->plain ? q->number.value * unit() : 0;
        if (!has_any(block, "XYZUVWR")) return;
        const int count = repeats(block, true);
        if (count < 0) return machine_block(block);
        double r_level = 0, bottom = 0;
        const bool levels = cycle_levels(r_level, bottom);
        for (int k = 0; k < count; ++k) {
            // To the hole, in the plane only.
            Vec d = steps(block);
            d.v[n] = 0, d.known[n] = true;
            line_move(d, MoveKind::Rapid, false);
            for (const int axis : {a, b}) {
                const AxisWord w = axis_word(block, axis);
                if (!w.named) continue;
                if (!w.plain)
                    known_[axis] = false;
                else if (w.relative)
                    pos_[axis] += d.v[axis];
                else
                    pos_[axis] = w.value, known_[axis] = true;
            }
            place_end();
            if (!levels || !known_[n]) {
                Move& m = add(MoveKind::Unknown);
                m.flags |= move_length_unknown;
                block_.flags |= block_unknown;
                known_[n] = false;
                place_end();
                continue;
            }
            go_to(n, r_level, MoveKind::Rapid);
            drill(n, r_level, bottom, g);
            if (g == 820 || g == 890 || g == 880 || g == 840 || g == 740)
                block_.seconds += static_cast<float>(cycle_dwell_);
            const bool feed_out = g == 850 || g == 890 || g == 840 || g == 740;
            go_to(n, r_level, feed_out ? MoveKind::Feed : MoveKind::Rapid);
            if (codes_.return_level != 990 && initial_) go_to(n, *initial_, MoveKind::Rapid);
        }
    }

    // Down from R to the bottom; G83 in pecks of Q, each followed by a
    // rapid out to R and back to the depth reached.
    void drill(int n, double r_level, double bottom, int g) {
        const double step = std::abs(peck_);
        if (g == 830 && step > 0) {
            const double down = bottom < r_level ? -1 : 1;
            for (int k = 0; k < 10000 && std::abs(bottom - pos_[n]) > step; ++k) {
                const double reached = pos_[n] + down * step;
                go_to(n, reached, MoveKind::Feed);
                go_to(n, r_level, MoveKind::Rapid);
                go_to(n, reached, MoveKind::Rapid);
            }
        }
        go_to(n, bottom, MoveKind::Feed);
    }

    // The R level and the holes' bottom; incremental R is from the first
    // level, incremental Z from R.
    bool cycle_levels(double& r_level, double& bottom) const {
        if (!r_word_ || !depth_) return false;
        if (!incremental()) {
            r_level = *r_word_ * unit(), bottom = *depth_;
            return true;
        }
        if (!initial_) return false;
        r_level = *initial_ + *r_word_ * unit(), bottom = r_level + *depth_;
        return true;
    }

    void go_to(int axis, double value, MoveKind kind) {
        Vec d;
        d.known = {true, true, true};
        d.v[axis] = value - pos_[axis];
        if (d.v[axis] == 0) return;
        line_move(d, kind, kind == MoveKind::Thread);
        pos_[axis] = value;
        place_end();
    }

    // Moves whose end the model cannot know: the named axes are lost.
    void machine_block(const NcLine& block) {
        bool named = false;
        for (int i = 0; i < 3; ++i)
            if (axis_word(block, i).named) known_[i] = false, named = true;
        block_.flags |= block_unknown;
        if (!named) return;
        Move& m = add(MoveKind::Unknown);
        m.flags |= move_length_unknown;
        place_end();
    }

    // G92 / G50 with axes: the tool stands where the block says.
    void set_block(const NcLine& block) {
        for (int i = 0; i < 3; ++i) {
            const AxisWord a = axis_word(block, i);
            if (!a.named) continue;
            known_[i] = a.plain && !a.relative;
            if (known_[i]) pos_[i] = a.value;
        }
    }

    void dwell_block(const NcLine& block) {
        const NcWord* p = find_word(block, 'P');
        if (p == nullptr) p = find_word(block, 'X');
        if (p == nullptr && lathe()) p = find_word(block, 'U');
        if (p == nullptr) return;
        if (!p->plain) {
            block_.flags |= block_unknown;
            return;
        }
        block_.seconds += static_cast<float>(dwell_seconds(p->number));
    }

    void change_offset(const std::string& offset) {
        if (!offset_.empty() && offset != offset_) lose_all();
        offset_ = offset;
    }

    void lose_all() { known_ = {false, lathe(), false}; }

    void finish_flags() {
        if (moved_ && cutting_) block_.flags |= block_feed;
    }

    const MotionSettings& settings_;
    std::vector<Move>& moves_;
    std::vector<ArcCentre>& arcs_;
    std::size_t budget_;
    Move spare_;
    bool kept_ = true;
    bool moved_ = false, cutting_ = true;  // the block moved, and only at F
    ModalCodes codes_;
    BlockMotion block_;
    std::array<double, 3> pos_{};
    std::array<bool, 3> known_{};
    std::optional<double> feed_;
    // The spindle: its speed under G97, the surface speed under G96 and the
    // G50 limit.
    std::optional<double> rpm_, surface_, limit_;
    bool inverse_time_ = false, surface_speed_ = false;
    std::uint32_t transforms_on_ = 0;
    std::string offset_;
    // The drill cycle in force: its first level, R, depth and dwell.
    std::optional<double> initial_, r_word_, depth_;
    // The target of the turning cycle in force: X (radius), unused, Z.
    std::array<std::optional<double>, 3> turning_target_;
    double cycle_dwell_ = 0, peck_ = 0;
};

}  // namespace

double with_acceleration(double length, double seconds, double accel, double corner) {
    if (accel <= 0 || seconds <= 0 || length <= 0) return seconds;
    double speed = length / seconds;  // mm/s
    if (corner > 0 && speed > corner) speed = corner;
    // Up to speed and down again take speed / accel each, over speed^2 / accel.
    if (length >= speed * speed / accel) return length / speed + speed / accel;
    return 2 * std::sqrt(length / accel);  // a triangle: never at full speed
}

double dwell_seconds(const NcNumber& value) {
    // A control refuses a negative dwell: it takes no time here.
    return std::max(0.0, value.point ? value.value : value.value / 1000);
}

double arc_length(double radius, double sweep, double rise) {
    return std::hypot(radius * sweep, rise);
}

MotionModel::MotionModel(const std::vector<std::string_view>& lines, const MotionSettings& settings)
    : kind_(settings.kind) {
    moves_.reserve(lines.size());
    blocks_.reserve(lines.size());
    Interpreter interpreter(settings, moves_, arcs_, 8 * lines.size() + (1U << 20));
    // The one interpreter of state says which lines are a lathe cycle's
    // contour: data the cycle reads, not moves.
    NcInterpreter state(program_start_state(lines, settings.kind));
    for (const std::string_view line : lines) {
        // Ending anyway: the lines left are read as blocks that move nothing.
        const BlockMotion none{static_cast<std::uint32_t>(moves_.size()), 0, 0};
        if (stop_requested_at(blocks_.size())) {
            blocks_.resize(lines.size(), none);
            break;
        }
        const bool contour =
            state.read(line, static_cast<std::int64_t>(blocks_.size()) + 1).contour;
        blocks_.push_back(contour ? none : interpreter.read(line));
    }
}

std::int32_t MotionModel::line_of(std::size_t i) const {
    // The last block whose moves start at or before `i`: blocks without
    // moves share their first move with the next block.
    const auto after = std::upper_bound(
        blocks_.begin(), blocks_.end(), i,
        [](std::size_t move, const BlockMotion& b) { return move < b.first_move; });
    return static_cast<std::int32_t>(after - blocks_.begin());
}

const ArcCentre* MotionModel::arc_of(std::size_t i) const {
    const auto at =
        std::lower_bound(arcs_.begin(), arcs_.end(), i,
                         [](const ArcCentre& arc, std::size_t move) { return arc.move < move; });
    return at != arcs_.end() && at->move == i ? &*at : nullptr;
}

double MotionModel::machining_seconds() const {
    double sum = 0;
    for (const BlockMotion& b : blocks_) sum += b.seconds;
    return sum;
}

}  // namespace feedrite
