// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reports to the shop's MQTT broker: each item as a retained JSON value at
// QoS 1 under "<prefix>/<device>/<key>", with a last will that sets
// ".../avail" to "UNAVAILABLE" when the connection dies. A thread of the
// sink's own keeps the connection and comes back with a growing wait
// between tries; once back, every item is sent again. Nothing is
// subscribed to.

#include <atomic>
#include <string>
#include <thread>

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
    /// waits for the broker.
    /// Empty when started; otherwise why not (a password file others may
    /// read, a CA file that does not do).
    [[nodiscard]] std::string start(const std::string& password);

    void update(const ReportItems& items) override;
    void close(const ReportItems& items) override;

    [[nodiscard]] bool connected() const { return connected_.load(); }

  private:
    static void on_connect(mosquitto* client, void* self, int rc);
    static void on_disconnect(mosquitto* client, void* self, int rc);
    static void on_publish(mosquitto* client, void* self, int message_id);
    bool publish(const ReportItem& item);
    void keep_connected();
    void stop_connection();

    MqttSettings settings_;
    std::string device_, base_;
    MosquittoClient client_;
    std::atomic<bool> stopping_{false};
    std::thread connection_;
    std::atomic<bool> connected_{false}, send_all_{false};
    std::atomic<int> unanswered_{0};  ///< QoS 1 values the broker has not answered
    ReportItems sent_{};
};

}  // namespace feedrite
