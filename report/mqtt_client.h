// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the MQTT sink and the broker check share: one libmosquitto client
// set up from the settings (TLS, login, the last will), and the texts.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "report/report_settings.h"

struct mosquitto;

namespace feedrite {

struct MosquittoDeleter {
    void operator()(mosquitto* client) const;
};
using MosquittoClient = std::unique_ptr<mosquitto, MosquittoDeleter>;

/// A client named `client_id` with TLS (when a CA file is set) and the
/// login (when a user is set; `password` read from the password file).
/// `problem` says why there is none.
[[nodiscard]] MosquittoClient make_mqtt_client(const MqttSettings& settings,
                                               const std::string& client_id,
                                               const std::string& password, void* owner,
                                               std::string& problem);

/// Waits until the connection that mosquitto_connect_async started is made:
/// false when refused, not made by `give_up`, or `stopping` is set first.
/// (libmosquitto's loop does not notice a refused connection of its own.)
[[nodiscard]] bool socket_connected(mosquitto* client,
                                    std::chrono::steady_clock::time_point give_up,
                                    const std::atomic<bool>& stopping);

/// "HOST-DEVICE": this PC's name and the device, one client per machine.
[[nodiscard]] std::string mqtt_client_id(const std::string& device);

/// "<prefix>/<device>/": every topic of the machine starts with it.
[[nodiscard]] std::string mqtt_topic_base(const MqttSettings& settings, const std::string& device);

/// libmosquitto's result code in words.
[[nodiscard]] std::string mqtt_error_text(int code);

/// "broker.local:8883 (TLS)".
[[nodiscard]] std::string broker_text(const MqttSettings& settings);

}  // namespace feedrite
