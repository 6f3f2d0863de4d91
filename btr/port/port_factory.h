#pragma once
// The one place that picks a port backend: once, before the port is opened.

#include <memory>

#include "sim/pins.h"
#include "btr/port/port_access.h"

namespace feedrite {

enum class PortKind { Ppdev, RawIo, Virtual };

/// A new, unopened port of `kind`. A virtual port is plugged into `far_end`
/// when one is given (the virtual control); hardware ports ignore it.
[[nodiscard]] std::unique_ptr<PortAccess> make_port(PortKind kind, CableEnd* far_end = nullptr);

}  // namespace feedrite
