// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything an engine call needs, with a recording port and a scripted host.

#include "btr/engine.h"
#include "tests/support/recording_port.h"
#include "tests/support/scripted_host.h"
#include "text/plain_text_view.h"

namespace feedrite::testing {

struct EngineFixture {
    EngineFixture() {
        settings.BTRaddress = 888;
        settings.BTRdelay1 = 5;
        settings.BTRdelay2 = 3;
        settings.BTRdelay3 = 1;
        settings.BTRdelay4 = 2;
        settings.BTRdelay6 = 1;
    }

    WindowState state;
    PortSettings settings;
    RecordingPort port;
    ScriptedHost host;
    PlainTextView view;
    Engine engine{state, settings, port, host, view, &port};
};

}  // namespace feedrite::testing
