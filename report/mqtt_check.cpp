// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/mqtt_check.h"

#include <mosquitto.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "report/mqtt_client.h"

namespace feedrite {

namespace {

constexpr int no_answer = -1;

void on_connect(mosquitto*, void* answer, int rc) {
    *static_cast<int*>(answer) = rc;
}

}  // namespace

MqttCheck check_mqtt(const MqttSettings& settings, const std::string& device,
                     std::chrono::milliseconds wait) {
    const std::string where = "MQTT broker " + broker_text(settings);
    if (settings.host.empty())
        return {false, "MQTT is not set up: feedrite-config --mqtt HOST[:PORT] sets it up"};
    std::string problem, password;
    if (!settings.user.empty()) {
        password = read_password_file(settings.password_file, problem);
        if (!problem.empty()) return {false, problem};
    }
    int answer = no_answer;
    // Its own client id: the check must not push the running window's client off.
    const MosquittoClient client =
        make_mqtt_client(settings, mqtt_client_id(device) + "-check", password, &answer, problem);
    if (!client) return {false, problem};
    mosquitto_connect_callback_set(client.get(), on_connect);
    const auto until = std::chrono::steady_clock::now() + wait;
    const std::atomic<bool> never{false};
    int rc = mosquitto_connect_async(client.get(), settings.host.c_str(), settings.port, 10);
    if (rc != MOSQ_ERR_SUCCESS) return {false, where + " does not answer: " + mqtt_error_text(rc)};
    if (!socket_connected(client.get(), until, never))
        return {false, where + " does not answer: " + std::strerror(errno)};
    while (answer == no_answer && std::chrono::steady_clock::now() < until) {
        rc = mosquitto_loop(client.get(), 100, 1);
        if (rc != MOSQ_ERR_SUCCESS && answer == no_answer)
            return {false, where + " ended the connection: " + mqtt_error_text(rc) +
                               (settings.ca_file.empty()
                                    ? ""
                                    : " (is it the TLS port, and the CA file its own?)")};
    }
    if (answer == no_answer) return {false, where + " took the connection but did not answer"};
    mosquitto_disconnect(client.get());
    if (answer != 0)
        return {false, where + " answers but refused the login" +
                           (settings.user.empty() ? "" : " as " + settings.user) + ": " +
                           mosquitto_connack_string(answer)};
    return {true, where + " answers and accepted the login" +
                      (settings.user.empty() ? std::string(" (no user)") : " as " + settings.user)};
}

}  // namespace feedrite
