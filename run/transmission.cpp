// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/transmission.h"

#include <utility>

namespace feedrite {

Transmission::Transmission(Host& host, TextView& view, const PortMaker& make_port, bool timed)
    : port(make_port(settings)),
      engine{state, settings, port, host, view, nullptr, timed ? &clock : nullptr, &figures} {
    engine.spin = timed;
}

SendOutcome Transmission::send(ModuleState& module, const ProgramPlaces& places,
                               SendDriverHooks hooks) {
    if (hooks.resume == nullptr) hooks.resume = &resume;
    return SendDriver(engine, settings, module, places, std::move(hooks)).send_file();
}

}  // namespace feedrite
