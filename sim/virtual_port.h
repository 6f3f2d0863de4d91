// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A parallel port in memory, with a cable to whatever stands in for the
// control (the virtual control, or nothing).

#include <cstdint>
#include <optional>

#include "btr/port/port_access.h"
#include "sim/pins.h"

namespace feedrite {

/// Powers up like a PC port after start-up: data 0x00, control 0xCC (bits 6
/// and 7 set, init and select in high). Data and control keep all 8 bits
/// written. Status reads bits 0 to 6 as 1 and bit 7 as pin 11 inverted; with
/// nothing plugged in, pin 11 floats high.
class VirtualPort final : public PortAccess {
  public:
    /// Accepts any base address; `count` must be 1 to 3.
    PortError port_open(std::int32_t base, int count) override;
    /// 0xFF before a successful open or beyond `count`.
    int port_read(int offset) override;
    /// Ignored before a successful open or beyond `count`; tells the cable end.
    void port_write(int offset, int value) override;

    /// Plugs `end` in (nullptr unplugs); it is told the current pins at once.
    void connect(CableEnd* end);
    [[nodiscard]] OutputPins pins() const;

  private:
    std::uint8_t data_ = 0x00;
    std::uint8_t control_ = 0xCC;
    int count_ = 0;
    CableEnd* end_ = nullptr;
};

}  // namespace feedrite
