// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A port for engine tests: three plain registers, a status register answered
// from a script, and a log of every access.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "btr/port/port_access.h"
#include "core/delay_observer.h"

namespace feedrite::testing {

struct PortEvent {
    char kind;  ///< 'o' open, 'r' read, 'w' write, 'd' delay
    int offset;
    double value;
    friend bool operator==(const PortEvent&, const PortEvent&) = default;
};

class RecordingPort : public PortAccess, public DelayObserver {
  public:
    PortError port_open(std::int32_t base, int count) override;
    int port_read(int offset) override;
    void port_write(int offset, int value) override;
    void on_delay(double count) override { events.push_back({'d', 0, count}); }
    [[nodiscard]] PortError fault() const override { return fault_; }

    /// Writes only, as "offset:value" pairs in hex, e.g. "0:41 2:c5".
    [[nodiscard]] std::string writes() const;
    /// Data register values written, in order.
    [[nodiscard]] std::vector<int> data_writes() const;

    std::array<int, 3> registers{0x00, 0x7F, 0xCC};
    /// When set, answers each status read (argument: 1-based read number).
    std::function<int(int)> status;
    PortError open_result;
    std::vector<PortEvent> events;
    int status_reads = 0;
    /// When not 0, the access of that number (reads and writes, 1-based,
    /// after the open) and every later one fail: reads give 0xFF.
    int fail_at = 0;

  private:
    bool failing();
    int accesses_ = 0;
    PortError fault_;
};

}  // namespace feedrite::testing
