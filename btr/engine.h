// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the transmission engine works with: the window state it reads afresh
// on every pass, one device's settings, the port, the host and the view.

#include "btr/port/port_access.h"
#include "config/port_settings.h"
#include "core/clock.h"
#include "core/delay_observer.h"
#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

class DelayFigures;

struct Engine {
    WindowState& state;
    const PortSettings& settings;
    PortAccess& port;
    Host& host;
    TextView& view;
    DelayObserver* delay_observer = nullptr;
    /// With a clock every delay lasts at least its set time and the waits for
    /// the control sleep once stop has lasted; without one, counts alone.
    Clock* clock = nullptr;
    /// Where the guarded delays' real lengths go; may be null.
    DelayFigures* figures = nullptr;
    /// False: each delay is counted (the observer and the trace see it) but
    /// not spun, for a tool that shows what the control reads, not when.
    bool spin = true;
};

}  // namespace feedrite
