// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The CNC control at the far end of the virtual port's cable, as far as its
// tape reader interface goes: it reads characters off the pins, drives its
// run/stop pin from a script, and notes what a real interface would object to.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "btr/code_table.h"
#include "config/port_settings.h"
#include "sim/control_figures.h"
#include "sim/control_findings.h"
#include "sim/pins.h"

namespace feedrite {

/// The control's own view of the signals: positive logic means the data pins
/// carry the code bits, the sprocket is active with pins 16 and 17 high, run
/// puts pin 11 high and ready is pin 1 high.
struct VirtualControlSettings {
    bool Data_logic = true, Sprocket_logic = true, RunStop_logic = true, Ready_logic = true;
    CodeSet code = ISO_even;  ///< parity: ISO even; odd parity and EIA odd; seven bits none
    TimingLimits limits;      ///< the device's: a character shorter than set is flagged
    /// The control's own demands; where stricter than `limits` they rule, so
    /// a control that wants more than the device gives can be rehearsed.
    TimingLimits own{0, 0, 0, 0};

    /// The settings of a control wired as the device's settings expect.
    [[nodiscard]] static VirtualControlSettings matching(const PortSettings& device);
    [[nodiscard]] TimingLimits checked() const { return limits.stricter(own); }
};

/// The limits a device's set times give: the pulse, gap and set-up each as
/// long as the sequence makes them, the rate the speed display + 10%. A time
/// the settings do not hold keeps the default limit.
[[nodiscard]] TimingLimits device_limits(const PortSettings& device);

/// When the control withdraws run by itself. The default is always run.
struct RunScript {
    int stop_after = 0;   ///< characters until run is withdrawn; 0 = never
    double stop_ms = 0;   ///< how long it then stays stopped; 0 = until cycle_start()
    bool repeat = false;  ///< count again each time run returns
};

class VirtualControl final : public CableEnd {
  public:
    using Now = std::function<ControlClock::time_point()>;

    /// `now` is the tape clock; tests pass their own.
    explicit VirtualControl(VirtualControlSettings settings = {}, Now now = ControlClock::now);

    void on_pins(const OutputPins& pins) override;
    bool pin11_high() override;

    /// Counting starts now, and run returns now.
    void set_script(const RunScript& script);
    /// Withdraws run now, until cycle_start().
    void feed_hold();
    void cycle_start();

    /// Takes new settings; they apply from the next edge. The sprocket is
    /// judged afresh under its new polarity without that counting as an edge,
    /// and pin 11 moves at once when the run/stop polarity changes.
    void set_settings(const VirtualControlSettings& settings);
    [[nodiscard]] const VirtualControlSettings& settings() const { return settings_; }

    [[nodiscard]] bool in_run();

    [[nodiscard]] const std::vector<LatchedCharacter>& characters() const { return characters_; }
    /// The codes latched, in order: what the control read off the tape.
    [[nodiscard]] std::vector<std::uint8_t> bytes() const;
    [[nodiscard]] const std::vector<PinEdge>& edges() const { return edges_; }
    [[nodiscard]] const std::vector<Finding>& findings() const { return findings_; }
    /// The number of characters()[0] counted from the first character latched
    /// (1); findings number their characters the same way.
    [[nodiscard]] std::size_t first_character_number() const {
        return latched_ - characters_.size() + 1;
    }
    /// Forgets characters, edges and findings; the pins, the run state and
    /// what the checks compare with stay, so no check or count starts over.
    void clear_record();
    /// As clear_record, but a character still in progress (its sprocket
    /// release or data change still to come) stays as the first entry, so
    /// its times are still filled in.
    void forget_settled();

  private:
    using TimePoint = ControlClock::time_point;

    [[nodiscard]] bool is_active(const OutputPins& pins) const;
    void record_edges(const OutputPins& before, const OutputPins& after, TimePoint now);
    void on_data_change(TimePoint now);
    void on_latch(TimePoint now);
    void on_release(TimePoint now);
    void check_latch_timing(TimePoint now);
    void check_latch_in_run(TimePoint now);
    void count_for_script(TimePoint now);
    void set_run(bool run, TimePoint at);
    void refresh_run(TimePoint now);
    void report(FindingKind kind, TimePoint at, const std::string& detail);

    VirtualControlSettings settings_;
    Now now_;
    std::optional<OutputPins> pins_;  ///< empty until the cable is connected
    bool active_ = false;             ///< sprocket active under the control's polarity
    bool pulse_open_ = false;         ///< the current pulse latched a character
    TimePoint pulse_latched_{};       ///< when the current pulse began
    TimePoint last_data_change_{};
    std::optional<TimePoint> last_release_;
    std::optional<TimePoint> last_latch_;
    std::size_t latched_ = 0;  ///< characters latched since the cable was connected

    bool run_ = true;
    std::optional<TimePoint> resume_at_;
    RunScript script_;
    int counted_ = 0;
    bool script_spent_ = false;
    int grace_ = 0;              ///< characters still allowed after run was withdrawn
    bool pulse_allowed_ = true;  ///< the current pulse began in run or within the grace

    std::vector<LatchedCharacter> characters_;
    std::vector<PinEdge> edges_;
    std::vector<Finding> findings_;
};

}  // namespace feedrite
