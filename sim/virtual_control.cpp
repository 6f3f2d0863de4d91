// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/virtual_control.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "config/device_timing.h"

namespace feedrite {
namespace {

constexpr int run_stop_pin = 11;

bool parity_ok(std::uint8_t code, CodeSet set) {
    const bool even = std::popcount(code) % 2 == 0;
    if (set == ISO_even) return even;
    if (set == seven_bit) return true;
    return !even;  // odd parity, and EIA RS-244 with its parity track in bit 4
}

ControlClock::duration from_ms(double ms) {
    return std::chrono::duration_cast<ControlClock::duration>(
        std::chrono::duration<double, std::milli>(ms));
}

std::string hex_code(std::uint8_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", code);
    return text;
}

}  // namespace

VirtualControlSettings VirtualControlSettings::matching(const PortSettings& device) {
    VirtualControlSettings settings;
    settings.Data_logic = device.Data_logic;
    settings.Sprocket_logic = device.Sprocket_logic;
    settings.RunStop_logic = device.RunStop_logic;
    settings.Ready_logic = device.Ready_logic;
    if (device.BTRcode >= 0 && device.BTRcode < code_set_count)
        settings.code = static_cast<CodeSet>(device.BTRcode);
    settings.limits = device_limits(device);
    return settings;
}

TimingLimits device_limits(const PortSettings& device) {
    TimingLimits limits;
    const auto on = device.set_ms(DelayKind::data_on),
               sprocket = device.set_ms(DelayKind::sprocket_on),
               overlap = device.set_ms(DelayKind::overlap),
               off = device.set_ms(DelayKind::data_off);
    if (overlap) limits.min_setup_ms = *overlap;
    if (device.Remex_async) {
        // The sprocket rests active from one character's latch to the next's release.
        if (sprocket && off) limits.min_sprocket_ms = 2 * *sprocket + *off;
        if (overlap && on) limits.min_gap_ms = 2 * *overlap + *on;
    } else {
        if (sprocket) limits.min_sprocket_ms = *sprocket;
        const auto rest = rest_of_data_on(on, sprocket, overlap);
        if (rest && off) limits.min_gap_ms = *rest + *off + *overlap;
    }
    if (device.speed_cps) limits.max_cps = *device.speed_cps * 1.1;
    return limits;
}

VirtualControl::VirtualControl(VirtualControlSettings settings, Now now)
    : settings_(settings), now_(std::move(now)) {}

void VirtualControl::on_pins(const OutputPins& pins) {
    const TimePoint now = now_();
    refresh_run(now);
    if (!pins_) {  // the levels found on connecting are no edges
        pins_ = pins;
        active_ = is_active(pins);
        last_data_change_ = now;
        return;
    }
    const OutputPins before = *pins_;
    pins_ = pins;
    record_edges(before, pins, now);
    if (pins.data != before.data) on_data_change(now);
    const bool active = is_active(pins);
    if (active == active_) return;
    active_ = active;
    active ? on_latch(now) : on_release(now);
}

bool VirtualControl::pin11_high() {
    return in_run() == settings_.RunStop_logic;
}

void VirtualControl::set_script(const RunScript& script) {
    script_ = script;
    counted_ = 0;
    script_spent_ = false;
    cycle_start();
}

void VirtualControl::feed_hold() {
    set_run(false, now_());
    resume_at_.reset();
}

void VirtualControl::cycle_start() {
    resume_at_.reset();
    set_run(true, now_());
}

void VirtualControl::set_settings(const VirtualControlSettings& settings) {
    const TimePoint now = now_();
    refresh_run(now);
    const bool pin11_before = pin11_high();
    settings_ = settings;
    if (pin11_high() != pin11_before) edges_.push_back({run_stop_pin, !pin11_before, now});
    if (!pins_) return;
    const bool active = is_active(*pins_);
    // A pulse that ends by a change of polarity has no release time to report.
    if (!active) pulse_open_ = false;
    active_ = active;
}

bool VirtualControl::in_run() {
    refresh_run(now_());
    return run_;
}

std::vector<std::uint8_t> VirtualControl::bytes() const {
    std::vector<std::uint8_t> codes;
    codes.reserve(characters_.size());
    for (const auto& character : characters_) codes.push_back(character.code);
    return codes;
}

void VirtualControl::clear_record() {
    characters_.clear();
    edges_.clear();
    findings_.clear();
}

void VirtualControl::forget_settled() {
    std::optional<LatchedCharacter> in_progress;
    if (!characters_.empty() && (!characters_.back().released || !characters_.back().data_off))
        in_progress = characters_.back();
    clear_record();
    if (in_progress) characters_.push_back(*in_progress);
}

bool VirtualControl::is_active(const OutputPins& pins) const {
    // The sprocket is the pin pair 16 and 17; it counts as active only with both at the level.
    const bool level = settings_.Sprocket_logic;
    return pins.pin16 == level && pins.pin17 == level;
}

void VirtualControl::record_edges(const OutputPins& before, const OutputPins& after,
                                  TimePoint now) {
    for (int bit = 0; bit < 8; ++bit) {
        const bool high = ((after.data >> bit) & 1) != 0;
        if (high != (((before.data >> bit) & 1) != 0)) edges_.push_back({bit + 2, high, now});
    }
    const std::pair<int, bool OutputPins::*> lines[] = {{1, &OutputPins::pin1},
                                                        {14, &OutputPins::pin14},
                                                        {16, &OutputPins::pin16},
                                                        {17, &OutputPins::pin17}};
    for (const auto& [pin, member] : lines)
        if (after.*member != before.*member) edges_.push_back({pin, after.*member, now});
}

void VirtualControl::on_data_change(TimePoint now) {
    if (active_)
        report(FindingKind::DataChangedWhileLatched, now,
               "data lines changed while the sprocket was active");
    last_data_change_ = now;
    if (!characters_.empty() && !characters_.back().data_off) characters_.back().data_off = now;
}

void VirtualControl::on_latch(TimePoint now) {
    const std::uint8_t code = pins_->data ^ (settings_.Data_logic ? 0x00 : 0xFF);
    const bool parity = parity_ok(code, settings_.code);
    characters_.push_back({code, last_data_change_, now, std::nullopt, std::nullopt, parity});
    ++latched_;
    pulse_open_ = true;
    pulse_latched_ = now;
    if (!parity) report(FindingKind::ParityError, now, "parity error in code " + hex_code(code));
    check_latch_timing(now);
    last_latch_ = now;
    check_latch_in_run(now);
    count_for_script(now);
}

void VirtualControl::on_release(TimePoint now) {
    last_release_ = now;
    if (!pulse_open_) return;  // a pulse that began before the cable was connected
    pulse_open_ = false;
    // The record may have been cleared since the latch; the check still runs.
    if (!characters_.empty()) characters_.back().released = now;
    const double pulse = milliseconds_between(pulse_latched_, now);
    const double shortest = settings_.checked().min_sprocket_ms;
    if (pulse < shortest)
        report(FindingKind::ShortSprocketPulse, now,
               "sprocket pulse " + ms_text(pulse) + ", shorter than " + ms_text(shortest));
    if (!run_ && !pulse_allowed_)
        report(FindingKind::SprocketWhileStopped, now,
               "sprocket became inactive while the control was not in run");
}

void VirtualControl::check_latch_timing(TimePoint now) {
    const TimingLimits limits = settings_.checked();
    if (last_release_) {
        const double gap = milliseconds_between(*last_release_, now);
        if (gap < limits.min_gap_ms)
            report(FindingKind::ShortSprocketGap, now,
                   "sprocket gap " + ms_text(gap) + ", shorter than " + ms_text(limits.min_gap_ms));
    }
    const double setup = milliseconds_between(last_data_change_, now);
    if (setup < limits.min_setup_ms)
        report(FindingKind::ShortDataSetup, now,
               "data set up " + ms_text(setup) + " before the sprocket, less than " +
                   ms_text(limits.min_setup_ms));
    if (!last_latch_ || limits.max_cps <= 0) return;
    const double interval = milliseconds_between(*last_latch_, now);
    const double shortest = 1000.0 / limits.max_cps;
    if (interval < shortest)
        report(FindingKind::TooFast, now,
               ms_text(interval) + " after the one before, faster than the control's " +
                   std::to_string(std::llround(std::min(limits.max_cps, 1e9))) + " per second (" +
                   ms_text(shortest) + ")");
}

// One character may still come after run is withdrawn: the engine may have
// looked at run just before the control withdrew it.
void VirtualControl::check_latch_in_run(TimePoint now) {
    if (run_ || grace_ > 0) {
        if (!run_) --grace_;
        pulse_allowed_ = true;
        return;
    }
    pulse_allowed_ = false;
    report(FindingKind::LateCharacter, now,
           "arrived while the control was not in run, after the one under way");
    report(FindingKind::SprocketWhileStopped, now,
           "sprocket became active while the control was not in run");
}

void VirtualControl::count_for_script(TimePoint now) {
    if (script_.stop_after <= 0 || script_spent_ || ++counted_ < script_.stop_after) return;
    counted_ = 0;
    script_spent_ = !script_.repeat;
    set_run(false, now);
    if (script_.stop_ms > 0) resume_at_ = now + from_ms(script_.stop_ms);
}

void VirtualControl::set_run(bool run, TimePoint at) {
    if (run_ == run) return;
    run_ = run;
    edges_.push_back({run_stop_pin, run == settings_.RunStop_logic, at});
    if (run) return;
    // A pulse already active when run goes is the character under way.
    grace_ = active_ ? 0 : 1;
    if (active_) pulse_allowed_ = true;
}

void VirtualControl::refresh_run(TimePoint now) {
    if (run_ || !resume_at_ || now < *resume_at_) return;
    const TimePoint at = *resume_at_;
    resume_at_.reset();
    set_run(true, at);  // the edge is dated when the stop ran out, not when it was noticed
}

void VirtualControl::report(FindingKind kind, TimePoint at, const std::string& detail) {
    findings_.push_back(make_finding(kind, latched_, at, detail));
}

}  // namespace feedrite
