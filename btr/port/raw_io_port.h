// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opt-in raw port I/O (ioperm, inb, outb) for machines without ppdev. Needs
// root or CAP_SYS_RAWIO, and exists on x86 only.

#include <cstdint>
#include <functional>

#include "btr/port/port_access.h"

namespace feedrite {

/// The three system calls, as functions so the tests can stand in for them.
struct RawIo {
    /// ioperm(from, count, on): 0, or the errno of the failure.
    std::function<int(unsigned long from, unsigned long count, bool on)> permit;
    std::function<int(unsigned short address)> in;
    std::function<void(int value, unsigned short address)> out;

    [[nodiscard]] bool available() const { return permit && in && out; }
};

/// The real calls on x86; empty elsewhere, so that port_open fails with Unsupported.
[[nodiscard]] RawIo system_raw_io();

/// Registers are raw, as the hardware holds them. Control writes never set
/// bit 5, which would turn the data lines into inputs.
class RawIoPort final : public PortAccess {
  public:
    explicit RawIoPort(RawIo io = system_raw_io());
    /// Gives the I/O permission back; the lines keep their last values.
    ~RawIoPort() override;
    RawIoPort(const RawIoPort&) = delete;
    RawIoPort& operator=(const RawIoPort&) = delete;

    /// Asks for permission on `count` addresses from `base`. Writes nothing.
    PortError port_open(std::int32_t base, int count) override;
    /// 0xFF when the port is not open or the offset is beyond `count`.
    int port_read(int offset) override;
    /// Does nothing when the port is not open or the offset is beyond `count`.
    void port_write(int offset, int value) override;

  private:
    [[nodiscard]] bool reaches(int offset) const;
    void shut();

    RawIo io_;
    std::int32_t base_ = 0;
    int count_ = 0;
};

}  // namespace feedrite
