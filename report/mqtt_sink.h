// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reports to the shop's MQTT broker: each item as a retained JSON value at
// QoS 1 under "<prefix>/<device>/<key>", with a last will that sets
// ".../avail" to "UNAVAILABLE" when the connection dies. A thread of the
// sink's own keeps the connection and comes back with a growing wait
// between tries; once back, every item is sent again. Nothing is
// subscribed to.

#include <memory>
#include <string>

#include "report/mqtt_client.h"
#include "report/report_sink.h"

namespace feedrite {

/// An item's MQTT payload: a JSON string or number, null where nothing is
/// known, and {"level": ..., "text": ...} for a condition.
[[nodiscard]] std::string mqtt_payload(const ReportItem& item);

class MqttSink : public ReportSink {
  public:
    MqttSink(MqttSettings settings, std::string device);
    ~MqttSink() override;
    MqttSink(const MqttSink&) = delete;
    MqttSink& operator=(const MqttSink&) = delete;

    /// Sets up the client and starts connecting in the sink's thread; never
    /// waits for the broker. Empty when started; otherwise why not (a CA
    /// file that does not do).
    [[nodiscard]] std::string start(const std::string& password);

    void update(const ReportItems& items) override;
    /// Waits at most about a second for the broker, whatever the network
    /// does; a connection thread still stuck then (a name lookup that hangs)
    /// is left to end on its own.
    void close(const ReportItems& items) override;

    /// The connection and its thread's state, shared with that thread so
    /// that it may outlive the sink.
    struct Link;

  private:
    bool publish(const ReportItem& item);
    void stop_connection();

    MqttSettings settings_;
    std::string device_, base_;
    std::shared_ptr<Link> link_;
    ReportItems sent_{};
};

}  // namespace feedrite
