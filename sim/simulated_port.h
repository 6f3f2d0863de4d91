// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A virtual port with a virtual control on its cable, the control wired the
// way the device's finished settings expect (polarities and code set).

#include <optional>

#include "sim/control_cable.h"
#include "sim/virtual_control.h"
#include "sim/virtual_port.h"

namespace feedrite {

class SimulatedPort final : public PortAccess, public ControlCable {
  public:
    /// `judge_timing` false: the control takes every pulse as long enough,
    /// for a run whose delays are counted but not spun. `held`: each control
    /// starts in Feed hold, as if the operator had pressed it before the run.
    explicit SimulatedPort(const PortSettings& device, bool judge_timing = true, bool held = false)
        : device_(device), judge_timing_(judge_timing), held_(held) {}

    PortError port_open(std::int32_t base, int count) override;
    int port_read(int offset) override { return port_.port_read(offset); }
    void port_write(int offset, int value) override { port_.port_write(offset, value); }

    [[nodiscard]] VirtualControl* control() override { return control_ ? &*control_ : nullptr; }
    [[nodiscard]] int open_count() const override { return open_count_; }
    [[nodiscard]] const PortSettings& device() const override { return device_; }
    void* find_capability(const std::type_info& interface) override {
        return interface == typeid(ControlCable) ? static_cast<ControlCable*>(this) : nullptr;
    }

  private:
    const PortSettings& device_;
    bool judge_timing_;
    bool held_;
    int open_count_ = 0;
    VirtualPort port_;
    std::optional<VirtualControl> control_;
};

}  // namespace feedrite
