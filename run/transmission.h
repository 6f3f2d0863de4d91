// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One transmission and all it owns: the window state, the device's settings
// record (the send driver fills it, the port reads it when it opens), the
// port, the clock, the figures of the guarded delays and a resume request,
// wired into the engine the send driver runs. The window, feedrite-tape and
// the benches each make one instead of wiring these by hand.

#include <functional>
#include <memory>

#include "btr/closable_port.h"
#include "btr/delay_figures.h"
#include "btr/engine.h"
#include "config/port_settings.h"
#include "core/clock.h"
#include "core/window_state.h"
#include "resume/resume_plan.h"
#include "run/send_driver.h"

namespace feedrite {

/// Makes the port over the settings record it will be opened with.
using PortMaker = std::function<std::unique_ptr<PortAccess>(const PortSettings& device)>;

class Transmission {
  public:
    /// `timed`: every delay spun and guarded by the clock, as at the machine;
    /// otherwise counted only, for a tool that shows what the control reads.
    Transmission(Host& host, TextView& view, const PortMaker& make_port, bool timed = true);
    Transmission(const Transmission&) = delete;
    Transmission& operator=(const Transmission&) = delete;

    /// Loads the program and runs the cycle until it ends (SendDriver::send_file).
    /// The hooks' resume request, when they name none, is this one's.
    SendOutcome send(ModuleState& module, const ProgramPlaces& places, SendDriverHooks hooks);

    WindowState state;
    PortSettings settings;
    ClosablePort port;
    SteadyClock clock;
    DelayFigures figures;
    ResumeRequest resume;
    Engine engine;
};

}  // namespace feedrite
