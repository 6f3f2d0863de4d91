// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port_start.h"

#include <optional>

#include "btr/signals.h"

namespace feedrite {
namespace {

enum class Pass { Reset, Fault, Stopped, Edit, Run };

// One pass of a wait: the reset check, one status read, the edit-mode check.
Pass judge_pass(Engine& engine) {
    if (!engine.state.Edit_mode) engine.state.edit_notice_shown = false;  // the stop is over
    if (engine.state.DNC_reset != DNC_run) return Pass::Reset;
    const int s = engine.port.port_read(1);
    if (!engine.port.fault().ok()) return Pass::Fault;  // 0xFF from a dead port is no signal
    if (!run_state(s, engine.settings.RunStop_logic)) return Pass::Stopped;
    return engine.state.Edit_mode ? Pass::Edit : Pass::Run;
}

// A stop counts once, however long the control holds it.
void note_stop(RunCounters& run) {
    if (run.control_stopped) return;
    run.control_stopped = true;
    ++run.control_stops;
}
// Once the control has held stop for a while (Feed hold, Reset, not yet
// started) the wait naps between its reads instead of spinning a core; a
// nap of 1 ms still sees run return within 2 ms.
class StopNaps {
  public:
    explicit StopNaps(Clock* clock) : clock_(clock) {}
    void stopped() {
        if (clock_ == nullptr) return;
        const Clock::time_point now = clock_->now();
        if (!since_) since_ = now;
        if (ms_between(*since_, now) > stop_wait_awake_ms) clock_->sleep_for(stop_wait_nap);
    }
    void not_stopped() { since_.reset(); }

  private:
    Clock* clock_;
    std::optional<Clock::time_point> since_;
};

}  // namespace

// A notice, not a modal box, and once per stop: it came back after every
// dismissal, and a key pressed in between went into the program.
void show_edit_mode_message(Engine& engine, const std::string& more) {
    if (engine.state.edit_notice_shown) return;
    engine.state.edit_notice_shown = true;
    engine.host.notice(
        "You are currently in EDIT mode.\n"
        "Press RESET on the CNC control, then\n"
        "click END EDIT to resume DNC operation" +
            (more.empty() ? "" : "\n\n" + more),
        "Can't run DNC ..", MessageIcon::Critical);
}

bool port_is_configured(const PortSettings& settings) {
    return settings.BTRaddress != 0 && settings.BTRdelay1 != 0 && settings.BTRdelay2 != 0;
}

PortError port_start_up(PortAccess& port, const PortSettings& settings) {
    PortError error = port.port_open(settings.BTRaddress, 3);
    if (!error.ok()) return error;
    put_lines_at_rest(port, settings);
    return error;
}

void put_lines_at_rest(PortAccess& port, const PortSettings& settings) {
    port.port_write(0, data_idle(settings.Data_logic));
    const int v = port.port_read(2);
    port.port_write(2, remex_sprocket_inactive(v, settings.Sprocket_logic));
}

void Wait_for_FDT(Engine& engine) {
    StopNaps naps(engine.clock);
    for (;;) {
        engine.host.yield();
        switch (judge_pass(engine)) {
            case Pass::Reset:
            case Pass::Fault:
            case Pass::Run:
                return;
            case Pass::Edit:
                naps.not_stopped();
                show_edit_mode_message(engine);
                break;
            case Pass::Stopped:
                naps.stopped();
                break;
        }
    }
}

bool wait_for_run(Engine& engine, OnEdit on_edit) {
    StopNaps naps(engine.clock);
    for (;;) {
        engine.host.yield();
        // Whatever the control does meanwhile, a block stopped for editing
        // is not finished later: the control is reset before edit ends.
        const auto cut = [&] {
            engine.state.tape_cut = on_edit == OnEdit::Cut && engine.state.Edit_mode &&
                                    engine.state.DNC_reset == DNC_run;
            return engine.state.tape_cut;
        };
        if (cut()) return false;
        // Switching it on again while it runs keeps its interval going, so it
        // fires once this wait has lasted that long.
        engine.host.set_stall_timer(true);
        switch (judge_pass(engine)) {
            case Pass::Reset:
            case Pass::Fault:
                return false;  // the stall timer stays on, as the next wait expects
            case Pass::Run:
                engine.host.set_stall_timer(false);
                engine.state.run.control_stopped = false;
                return true;
            case Pass::Edit:
                if (cut()) return false;
                naps.not_stopped();
                show_edit_mode_message(engine);
                break;
            case Pass::Stopped:
                note_stop(engine.state.run);
                naps.stopped();
                break;
        }
    }
}

}  // namespace feedrite
