// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the virtual control window shows, kept without a window: the control's
// state, the counters, the text read so far (a bounded tail) and the figures
// of the last characters. Polled from a timer, never from the character path;
// each poll takes what the control recorded and lets it forget that.

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/rolling_figures.h"
#include "sim/virtual_control.h"

namespace feedrite {

enum class ControlState {
    Waiting,  ///< in run, nothing read for a while (or since a reset)
    Reading,  ///< in run, characters arriving
    Stopped,  ///< run withdrawn: feed hold, reset or the run script
};

[[nodiscard]] const char* state_name(ControlState state);

/// A piece of the read text; characters with a parity error come in pieces
/// of their own. Bytes are Latin-1.
struct ReadRun {
    std::string text;
    bool parity_error = false;
    bool operator==(const ReadRun&) const = default;
};

/// The text to add to a view since the last take. `replace`: clear the view
/// first (after a reset, or when the view fell too far behind to catch up).
struct TextUpdate {
    bool replace = false;
    std::vector<ReadRun> runs;
};

struct MonitorCounts {
    std::size_t characters = 0;
    std::size_t blocks = 0;  ///< end-of-block characters: LF in ISO, the EIA end-of-block code
    std::size_t parity_errors = 0;
    std::size_t findings = 0;
    bool operator==(const MonitorCounts&) const = default;
};

/// Marks a character whose parity was wrong where it shows nothing by itself.
inline constexpr char parity_marker = '\xA4';  // Latin-1 currency sign

class ControlMonitor {
  public:
    /// `tail_limit`: characters of read text kept; `window`: characters the
    /// rolling figures cover.
    explicit ControlMonitor(std::size_t tail_limit = 200'000, std::size_t window = 100);

    /// Takes what `control` recorded since the last poll (decoded with its
    /// code set as it is now), then lets it forget that. A character still in
    /// progress is counted now and its figures are taken once it is complete.
    /// `now` comes from the control's clock.
    void poll(VirtualControl& control, ControlClock::time_point now);

    /// The control's reset: forgets the text, counters, figures and the
    /// latest finding. Characters already taken are not taken again. As a
    /// control's label skip does, what it reads next up to and including
    /// the first end of block is not shown (the tail of a block cut by the
    /// reset is no block the control runs).
    void reset();

    [[nodiscard]] ControlState state() const { return state_; }
    [[nodiscard]] const MonitorCounts& counts() const { return counts_; }
    [[nodiscard]] const std::string& latest_finding() const { return latest_finding_; }

    [[nodiscard]] const RollingFigures& data_on() const { return data_on_; }
    [[nodiscard]] const RollingFigures& sprocket_on() const { return sprocket_on_; }
    [[nodiscard]] const RollingFigures& overlap() const { return overlap_; }
    /// Latch to latch, in milliseconds; the rate is 1000 over it.
    [[nodiscard]] const RollingFigures& interval() const { return interval_; }

    /// The tail of the read text, at most `tail_limit` characters.
    [[nodiscard]] std::string tail_text() const;
    /// What a view adds since the last take; also bounded by `tail_limit`.
    TextUpdate take_text_update();

    /// How long after the last character the state falls back to Waiting.
    static constexpr std::chrono::milliseconds reading_hold{1000};

  private:
    void take_character(const LatchedCharacter& character, int code_set);
    void take_figures(const LatchedCharacter& character);
    void append(const std::string& text, bool parity_error);
    [[nodiscard]] std::string renumbered(const Finding& finding) const;

    std::size_t tail_limit_;
    std::size_t next_number_ = 1;  ///< the control's number of the next character to take
    std::size_t reset_after_ = 0;  ///< the control's number of the last character before a reset
    std::optional<std::size_t> pending_;  ///< taken, its figures still to come
    std::optional<ControlClock::time_point> last_latch_;
    char last_break_ = 0;        ///< CR or LF just shown, to show CR LF (or LF CR) as one break
    bool break_marked_ = false;  ///< that line break carried a parity marker
    bool label_skip_ = false;    ///< since a reset, until the first end of block

    ControlState state_ = ControlState::Waiting;
    MonitorCounts counts_;
    std::string latest_finding_;
    RollingFigures data_on_, sprocket_on_, overlap_, interval_;

    std::deque<ReadRun> tail_;
    std::size_t tail_size_ = 0;
    std::deque<ReadRun> update_queue_;  ///< added since the last take
    std::size_t update_size_ = 0;
    bool update_replace_ = false;
};

}  // namespace feedrite
