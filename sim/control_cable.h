// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a port with a virtual control on its cable offers beyond its
// registers, asked as PortAccess::capability<ControlCable>(): the window of
// the Virtual control and the tools read the control through it.

#include "config/port_settings.h"
#include "sim/virtual_control.h"

namespace feedrite {

class ControlCable {
  public:
    virtual ~ControlCable() = default;
    /// The control on the cable; none before the port is opened.
    [[nodiscard]] virtual VirtualControl* control() = 0;
    /// Counts the opens: each one puts a new control on the cable, which
    /// may sit at the same address as the one before.
    [[nodiscard]] virtual int open_count() const = 0;
    /// The device's settings the control is wired for.
    [[nodiscard]] virtual const PortSettings& device() const = 0;
};

}  // namespace feedrite
