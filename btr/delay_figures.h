// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the guarded delays really lasted: per kind the last 100, their median
// and shortest, the characters per second, and whether the PC was too busy
// to keep the times (a delay more than half again over its set time, ten in
// a row). The window shows these; the clock guard measures them anyway.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/port_settings.h"
#include "core/clock.h"
#include "core/rolling_figures.h"
#include "core/run_record.h"

namespace feedrite {

struct DelayStats {
    std::optional<double> median_ms, shortest_ms;
    std::optional<double> set_ms;           ///< of the latest delay of this kind
    std::optional<double> run_shortest_ms;  ///< over the whole run, not only the last 100
};

class DelayFigures {
  public:
    static constexpr std::size_t kept = 100;
    static constexpr int busy_stretch = 10;
    /// How long a busy stretch stays shown after it ended.
    static constexpr double busy_shown_ms = 5000;

    void record(DelayKind kind, double ms, double set_ms, Clock::time_point end);
    void character_started(Clock::time_point at);

    [[nodiscard]] DelayStats stats(DelayKind kind) const;
    /// 1000 over the median time from one character to the next.
    [[nodiscard]] std::optional<double> characters_per_second() const;
    /// The latest busy stretch, while it is recent: "sprocket on 3.41 ms, set 2.20".
    [[nodiscard]] std::optional<std::string> busy_warning(Clock::time_point now) const;

    /// A nap woke `late_ms` after the time it asked for.
    void nap_woke(double late_ms);
    /// The latest a nap has woken this run; nothing before the first nap.
    [[nodiscard]] std::optional<double> nap_lateness_ms() const { return nap_late_; }
    /// What a nap leaves to spin before its deadline: the lateness of the
    /// recent naps (all but the odd one out of a hundred), with room to
    /// spare, so that no nap ends past its delay's end. One wake-up stalled
    /// by a burst of load must not turn every later nap into a spin.
    [[nodiscard]] double nap_margin_ms() const;

  private:
    struct Kind {
        RollingFigures ms{kept};
        double set_ms = 0;
        double run_shortest = 0;
        int over_in_a_row = 0;
    };
    std::array<Kind, delay_kind_count> kinds_;
    RollingFigures character_gaps_{kept};
    std::optional<Clock::time_point> last_character_;
    std::optional<Clock::time_point> busy_at_;
    std::optional<double> nap_late_;
    RollingFigures recent_lateness_{kept};
    std::string busy_text_;
};

/// The status-bar panel's line: medians of the four pulse times and the rate,
/// or the busy warning.
[[nodiscard]] std::string timing_panel_text(const DelayFigures& figures, Clock::time_point now);
/// What the history of runs keeps when a run ends: per kind that was
/// measured its median, the run's shortest and the set time; and the rate.
[[nodiscard]] std::vector<TimingFigure> timing_figures(const DelayFigures& figures);
/// The panel's longer explanation (tooltip): every kind's median, shortest and set time.
[[nodiscard]] std::string timing_panel_detail(const DelayFigures& figures);

}  // namespace feedrite
