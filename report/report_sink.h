// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the reporter's worker sends the machine's items: the MQTT broker,
// the SHDR adapter's agents. Each sink remembers what its peers last got,
// so it sends what changed, and everything again to a peer that is new or
// came back. A sink never reads a value from its peers.

#include "report/machine_report.h"

namespace feedrite {

class ReportSink {
  public:
    virtual ~ReportSink() = default;
    /// From the worker, a few times a second, with the items now. Returns
    /// soon whatever the network does: a peer that cannot take more is
    /// queued for, up to a bound, then given up.
    virtual void update(const ReportItems& items) = 0;
    /// The last items (the machine unavailable), sent as far as they go
    /// without waiting long; then the sink lets its peers go.
    virtual void close(const ReportItems& items) = 0;
};

}  // namespace feedrite
