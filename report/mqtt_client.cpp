// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/mqtt_client.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace feedrite {

void MosquittoDeleter::operator()(mosquitto* client) const {
    mosquitto_destroy(client);
}

std::string mqtt_error_text(int code) {
    if (code == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(code);
}

std::string broker_text(const MqttSettings& settings) {
    return settings.host + ':' + std::to_string(settings.port) +
           (settings.ca_file.empty() ? "" : " (TLS)");
}

MosquittoClient make_mqtt_client(const MqttSettings& settings, const std::string& client_id,
                                 const std::string& password, void* owner, std::string& problem) {
    static std::once_flag started;
    std::call_once(started, [] { mosquitto_lib_init(); });
    MosquittoClient client(mosquitto_new(client_id.c_str(), true, owner));
    if (!client) {
        problem = "no MQTT client: " + std::string(std::strerror(errno));
        return client;
    }
    int rc = mosquitto_int_option(client.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (rc == MOSQ_ERR_SUCCESS && !settings.ca_file.empty()) {
        rc = mosquitto_tls_set(client.get(), settings.ca_file.c_str(), nullptr, nullptr, nullptr,
                               nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            problem =
                "the CA file " + settings.ca_file + " does not do for TLS: " + mqtt_error_text(rc);
            client.reset();
            return client;
        }
    }
    if (rc == MOSQ_ERR_SUCCESS && !settings.user.empty())
        rc = mosquitto_username_pw_set(client.get(), settings.user.c_str(), password.c_str());
    if (rc != MOSQ_ERR_SUCCESS) {
        problem = "the MQTT client could not be set up: " + mqtt_error_text(rc);
        client.reset();
    }
    return client;
}

bool socket_connected(mosquitto* client, std::chrono::steady_clock::time_point give_up,
                      const std::atomic<bool>& stopping) {
    const int fd = mosquitto_socket(client);
    while (fd >= 0 && !stopping && std::chrono::steady_clock::now() < give_up) {
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, 100) <= 0) continue;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
        errno = error;
        return error == 0;
    }
    errno = ETIMEDOUT;
    return false;
}

std::string mqtt_client_id(const std::string& device) {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    return std::string(host) + '-' + device;
}

std::string mqtt_topic_base(const MqttSettings& settings, const std::string& device) {
    return (settings.prefix.empty() ? std::string() : settings.prefix + '/') + topic_word(device) +
           '/';
}

}  // namespace feedrite
