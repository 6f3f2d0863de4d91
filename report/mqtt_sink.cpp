// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/mqtt_sink.h"

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "base/json_codec.h"

namespace feedrite {

namespace {

constexpr int keepalive_seconds = 10;
// A broker answers a login within this or is tried again: one caught while
// it starts up may take the connection and never answer it.
constexpr int answer_seconds = 5;
constexpr int qos = 1;

}  // namespace

std::string mqtt_payload(const ReportItem& item) {
    if (item.kind == ItemKind::Condition)
        return JsonWriter().string("level", item.value).string("text", item.message).text();
    if (item.value == unavailable_text && item.key != "avail") return "null";
    if (item.kind == ItemKind::Number) return item.value;
    return json_string(item.value);
}

struct MqttSink::Link {
    MqttSettings settings;
    std::string client_id, password, will_topic;
    /// Replaced for each connection (libmosquitto does not get a TLS
    /// connection up again on a client that lost one without waiting);
    /// `lock` keeps the worker's publishing off it meanwhile.
    std::mutex lock;
    MosquittoClient client;
    std::atomic<bool> stopping{false}, ended{false}, connected{false}, send_all{false};
    std::atomic<int> unanswered{0};  ///< QoS 1 values the broker has not answered

    /// A new client with the will and the callbacks; empty `problem` when made.
    [[nodiscard]] MosquittoClient make_client(std::string& problem);
    void keep_connected();
    /// One connection from its start to its loss; false when it never came up.
    bool run_connection(bool first);
};

namespace {

void on_connect(mosquitto*, void* link, int rc) {
    auto* l = static_cast<MqttSink::Link*>(link);
    if (rc != 0) return;
    l->send_all = true;
    l->connected = true;
}

void on_disconnect(mosquitto*, void* link, int) {
    auto* l = static_cast<MqttSink::Link*>(link);
    l->connected = false;
    l->unanswered = 0;  // a clean session: what was not answered is gone
}

void on_publish(mosquitto*, void* link, int) {
    --static_cast<MqttSink::Link*>(link)->unanswered;
}

}  // namespace

MosquittoClient MqttSink::Link::make_client(std::string& problem) {
    MosquittoClient made = make_mqtt_client(settings, client_id, password, this, problem);
    if (!made) return made;
    const std::string will = json_string(unavailable_text);
    const int rc = mosquitto_will_set(made.get(), will_topic.c_str(), static_cast<int>(will.size()),
                                      will.data(), qos, true);
    if (rc != MOSQ_ERR_SUCCESS) {
        problem = "the MQTT last will could not be set: " + mqtt_error_text(rc);
        return nullptr;
    }
    // Values are published from the reporter's worker while the link's
    // own thread runs the connection.
    mosquitto_threaded_set(made.get(), true);
    mosquitto_connect_callback_set(made.get(), on_connect);
    mosquitto_disconnect_callback_set(made.get(), on_disconnect);
    mosquitto_publish_callback_set(made.get(), on_publish);
    return made;
}

// The socket connects without blocking, so a broker that never answers
// holds nothing up; every wait checks `stopping` at least every 100 ms.
bool MqttSink::Link::run_connection(bool first) {
    using namespace std::chrono;
    if (!first) {
        std::string problem;
        MosquittoClient fresh = make_client(problem);
        if (!fresh) return false;
        const std::lock_guard hold(lock);
        client = std::move(fresh);
    }
    const int rc = mosquitto_connect_async(client.get(), settings.host.c_str(), settings.port,
                                           keepalive_seconds);
    const auto give_up = steady_clock::now() + seconds(answer_seconds);
    if (rc != MOSQ_ERR_SUCCESS || !socket_connected(client.get(), give_up, stopping)) return false;
    bool came_up = false;
    while (!stopping && mosquitto_loop(client.get(), 100, 1) == MOSQ_ERR_SUCCESS) {
        if (connected) came_up = true;
        if (!came_up && steady_clock::now() > give_up) break;  // no CONNACK
    }
    connected = false;
    return came_up;
}

// libmosquitto's own loop gives up for good on a TLS error, which is what a
// broker killed mid-connection gives; this one tries again whatever the
// error, from 1 s up to 30 s apart: a broker back after a restart is found
// soon, one gone for the day costs next to nothing.
void MqttSink::Link::keep_connected() {
    using namespace std::chrono;
    auto wait = seconds(1);
    for (bool first = true; !stopping; first = false) {
        if (run_connection(first)) wait = seconds(1);
        for (auto until = steady_clock::now() + wait; !stopping && steady_clock::now() < until;)
            std::this_thread::sleep_for(milliseconds(50));
        wait = std::min(wait * 2, seconds(30));
    }
    ended = true;
}

MqttSink::MqttSink(MqttSettings settings, std::string device)
    : settings_(std::move(settings)),
      device_(std::move(device)),
      base_(mqtt_topic_base(settings_, device_)) {}

MqttSink::~MqttSink() {
    stop_connection();
}

std::string MqttSink::start(const std::string& password) {
    auto link = std::make_shared<Link>();
    link->settings = settings_;
    link->client_id = mqtt_client_id(device_);
    link->password = password;
    link->will_topic = base_ + "avail";
    std::string problem;
    link->client = link->make_client(problem);
    if (!link->client) return problem;
    link_ = link;
    std::thread([link] { link->keep_connected(); }).detach();
    return {};
}

void MqttSink::stop_connection() {
    if (!link_) return;
    link_->stopping = true;
    {
        const std::lock_guard hold(link_->lock);
        mosquitto_disconnect(link_->client.get());
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!link_->ended && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    link_.reset();  // the thread holds the link until it ends
}

bool MqttSink::publish(const ReportItem& item) {
    const std::string topic = base_ + std::string(item.key);
    const std::string payload = mqtt_payload(item);
    const std::lock_guard hold(link_->lock);
    ++link_->unanswered;
    if (mosquitto_publish(link_->client.get(), nullptr, topic.c_str(),
                          static_cast<int>(payload.size()), payload.data(), qos,
                          true) == MOSQ_ERR_SUCCESS)
        return true;
    --link_->unanswered;
    return false;
}

void MqttSink::update(const ReportItems& items) {
    if (!link_ || !link_->connected) return;
    const bool all = link_->send_all.exchange(false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!all && items[i] == sent_[i]) continue;
        if (!publish(items[i])) {
            link_->send_all = true;  // the connection went: all again once it is back
            return;
        }
        sent_[i] = items[i];
    }
}

void MqttSink::close(const ReportItems& items) {
    update(items);
    // A moment for the broker to take the last values (QoS 1: it answers
    // each); a broker that is gone has sent the last will already.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (link_ && link_->connected && link_->unanswered > 0 &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop_connection();
}

}  // namespace feedrite
