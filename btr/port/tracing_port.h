// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wraps a port and writes one line per port access and per busy-wait delay:
// the trace of the headless tool.

#include <cstdint>
#include <ostream>

#include "btr/port/port_access.h"
#include "core/delay_observer.h"

namespace feedrite {

/// Lines, in the order of the events:
///   open <base, decimal> <register count, decimal>
///   read <offset> <value, two lower-case hex digits>
///   write <offset> <value, two lower-case hex digits>
///   delay <loop passes, decimal>
/// Every call is passed on to the wrapped port unchanged.
class TracingPort final : public PortAccess, public DelayObserver {
  public:
    TracingPort(PortAccess& inner, std::ostream& out);

    PortError port_open(std::int32_t base, int count) override;
    int port_read(int offset) override;
    void port_write(int offset, int value) override;
    void on_delay(double count) override;
    [[nodiscard]] PortError fault() const override { return inner_.fault(); }

    /// The number of passes the engine's delay loop makes for `count`.
    [[nodiscard]] static double delay_passes(double count);

  private:
    void line(const char* text);

    PortAccess& inner_;
    std::ostream& out_;
};

}  // namespace feedrite
