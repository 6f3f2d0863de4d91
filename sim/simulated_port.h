// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A virtual port with a virtual control on its cable, the control wired the
// way the device's settings expect (polarities and code set). The settings
// are read when the port is opened, as the send driver has filled them then.

#include <optional>

#include "sim/virtual_control.h"
#include "sim/virtual_port.h"

namespace feedrite {

class SimulatedPort final : public PortAccess {
  public:
    /// `judge_timing` false: the control takes every pulse as long enough,
    /// for a run whose delays are counted but not spun. `held`: each control
    /// starts in Feed hold, as if the operator had pressed it before the run.
    explicit SimulatedPort(const PortSettings& device, bool judge_timing = true, bool held = false)
        : device_(device), judge_timing_(judge_timing), held_(held) {}

    PortError port_open(std::int32_t base, int count) override;
    int port_read(int offset) override { return port_.port_read(offset); }
    void port_write(int offset, int value) override { port_.port_write(offset, value); }

    /// The control on the cable; none before the port is opened.
    [[nodiscard]] VirtualControl* control() { return control_ ? &*control_ : nullptr; }
    /// Counts the opens: each one puts a new control on the cable, which
    /// may sit at the same address as the one before.
    [[nodiscard]] int open_count() const { return open_count_; }
    /// The device's settings, as the send driver filled them.
    [[nodiscard]] const PortSettings& device() const { return device_; }

  private:
    const PortSettings& device_;
    bool judge_timing_;
    bool held_;
    int open_count_ = 0;
    VirtualPort port_;
    std::optional<VirtualControl> control_;
};

}  // namespace feedrite
