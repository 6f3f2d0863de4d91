#pragma once
// What the transmission engine works with: the window state it reads afresh
// on every pass, one device's settings, the port, the host and the view.

#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"
#include "btr/port/port_access.h"
#include "config/port_settings.h"

namespace feedrite {

/// Told of every busy-wait delay, before it runs (the trace of the headless tool).
class DelayObserver {
public:
    virtual ~DelayObserver() = default;
    virtual void on_delay(double count) = 0;
};

struct Engine {
    WindowState& state;
    const PortSettings& settings;
    PortAccess& port;
    Host& host;
    TextView& view;
    DelayObserver* delay_observer = nullptr;
};

}  // namespace feedrite
