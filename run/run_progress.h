// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The figures of the progress bar, computed from the run's counters at a given
// moment: where the tape is, how much of the program it has read this cycle,
// how long the cycle runs and how long is left, and the cycles so far.
// Time is handed in, so the arithmetic is tested with scripted time.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/run_counters.h"

namespace feedrite {

/// Characters per second over the last `span` seconds, from samples of a
/// count that only grows. No rate until the samples cover `least` seconds:
/// a few seconds of tape say little about the next hours.
class RateWindow {
  public:
    explicit RateWindow(double span = 60, double least = 10) : span_(span), least_(least) {}

    /// Forgets everything: counting starts again at (t, count).
    void restart(double t, std::int64_t count);
    void sample(double t, std::int64_t count);
    /// Leaves out `seconds` that just passed with the tape held: the samples
    /// move forward by as much, so the rate is that of the tape moving.
    void skip(double seconds);
    [[nodiscard]] std::optional<double> rate() const;

  private:
    double span_, least_;
    std::deque<std::pair<double, std::int64_t>> samples_;
};

/// What the bar shows as the state, in order of precedence.
enum class ShownState {
    Loading,
    NotConfigured,
    PortError,
    LoadFailed,
    EditMode,
    Waiting,
    Stopped,
    Sending,
    Finished
};

struct ProgressFigures {
    ShownState state = ShownState::Loading;
    bool binary = false;
    std::int64_t place = 0;   ///< line (text) or byte (binary), 1-based; 0 = none yet
    std::int64_t places = 0;  ///< lines or bytes of the program
    std::optional<double> percent;
    std::optional<double> elapsed, left;  ///< seconds of this cycle, and still to go
    bool left_measured = false;           ///< `left` comes from the measured rate
    bool left_modelled = false;           ///< `left` is the motion model's: machining and waits
    bool held = false;                    ///< the tape stands: `left` does not change
    std::int64_t cycles = 0;
    std::optional<double> last_cycle;
    /// The motion model's totals for one cycle, when the program has one.
    std::optional<double> machining, waits;
    std::int64_t wait_blocks = 0;
    bool accelerated = false;
    /// The line (1-based) a resume armed for the next run starts at; 0 for none.
    std::int64_t resume_line = 0;
};

/// What the motion model says of the loaded program: per line, the
/// machining time and waits from there to the end; and its totals.
struct ModelTimes {
    std::vector<float> left;
    double machining = 0, waits = 0;
    std::int64_t wait_blocks = 0;
    bool accelerated = false;  ///< the machining time knows the axes' acceleration
};

/// Follows one run; `poll` is called by the window's timer (several times a
/// second) and restarts the rate window with every new cycle. While the
/// control holds a cycle (or edit mode stops it) time left stays as it was
/// when the stop began, and the rate window leaves the stop out.
class ProgressTracker {
  public:
    explicit ProgressTracker(RateWindow window = RateWindow()) : window_(std::move(window)) {}

    /// `place`/`places`: the block's line and the program's lines (the
    /// caller reads them from the view; a binary file counts bytes).
    /// `configured_cps`: the device's speed, used until a rate is measured
    /// (0 = none known).
    ProgressFigures poll(const RunCounters& run, bool binary, bool edit_mode, std::int64_t place,
                         std::int64_t places, double now, double configured_cps);

    /// From now on time left of a text program is the model's (machining and
    /// waits from the block being sent), not the tape's; empty: the tape's again.
    void set_model(ModelTimes model) { model_ = std::move(model); }

  private:
    RateWindow window_;
    std::int64_t cycle_ = -1;
    std::optional<double> held_since_;  ///< when the stop of this cycle began
    std::optional<double> left_;        ///< the last time left while the tape moved
    bool left_measured_ = false;
    bool left_modelled_ = false;
    ModelTimes model_;
};

/// The state's words as the bar shows them.
[[nodiscard]] const char* shown_state_text(ShownState state);

/// The bar's three texts: the state, the figures read from afar (share sent
/// and time left; "~" marks a time left at the configured speed, ", held" one
/// that stands still with the tape), and the details (line N of M, elapsed,
/// cycles and the last one's time).
struct ProgressTexts {
    std::string state, main, detail;
    /// The detail's parts, most wanted first: a narrow bar shows as many
    /// whole parts as fit, never one cut off.
    std::vector<std::string> detail_parts;
    bool operator==(const ProgressTexts&) const = default;
};
[[nodiscard]] ProgressTexts progress_texts(const ProgressFigures& figures);
/// The first `count` parts of a detail, as the bar shows them.
[[nodiscard]] std::string join_detail(const std::vector<std::string>& parts, std::size_t count);

}  // namespace feedrite
