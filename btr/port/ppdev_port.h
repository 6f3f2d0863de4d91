// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware port on the kernel's ppdev interface (/dev/parportN). Needs no
// root, only membership of the group that owns the device (lp on Debian).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "btr/port/port_access.h"
#include "btr/port/ppdev_device.h"

namespace feedrite {

/// Registers are raw, as the hardware holds them: status bit 7 and control
/// bits 0, 1 and 3 arrive hardware-inverted, like on any PC port.
///
/// ppdev reaches control bits 0 to 3 only. Bits 4 to 7 of a control write are
/// kept here instead and read back together with the real bits 0 to 3, so
/// that the engine's read-modify-write sees what it wrote. Bit 5 (which would
/// turn the data lines into inputs) and bit 4 (interrupt enable) never reach
/// the port. Before the first control write, bits 6 and 7 read as 1 and 4 and
/// 5 as 0, as on a PC port after start-up.
class PpdevPort final : public PortAccess {
  public:
    explicit PpdevPort(std::unique_ptr<PpdevDevice> device = make_system_ppdev_device());
    /// Releases the port and closes the device; the lines keep their last values.
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    /// Finds the /dev/parportN whose base address is `base`, opens it and claims
    /// it exclusively. `count` must be 1 to 3. Writes nothing to the port
    /// (though the kernel's claim itself sets the control register).
    PortError port_open(std::int32_t base, int count) override;
    /// 0xFF when the port is not open, the offset is beyond `count` or the read fails.
    int port_read(int offset) override;
    /// Does nothing when the port is not open or the offset is beyond `count`.
    void port_write(int offset, int value) override;
    /// The first ioctl that failed after the claim, naming the device and the cause.
    [[nodiscard]] PortError fault() const override { return fault_; }

  private:
    [[nodiscard]] std::optional<ParportEntry> find_port(std::int32_t base);
    PortError fail(int err, const std::string& step, const std::string& device, std::int32_t base);
    std::optional<int> read_byte(unsigned long request);
    void write_byte(unsigned long request, int value);
    void shut();
    void note_fault(int err);

    std::unique_ptr<PpdevDevice> device_;
    bool device_open_ = false;
    bool claimed_ = false;
    int count_ = 0;
    int control_high_ = 0xC0;  ///< bits 4 to 7 of the last control write
    std::string device_name_;
    std::int32_t base_ = 0;
    PortError fault_;
};

}  // namespace feedrite
