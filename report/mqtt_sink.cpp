// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/mqtt_sink.h"

#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "base/json_codec.h"

namespace feedrite {

namespace {

constexpr int keepalive_seconds = 10;
constexpr int qos = 1;

}  // namespace

std::string mqtt_payload(const ReportItem& item) {
    if (item.kind == ItemKind::Condition)
        return JsonWriter().string("level", item.value).string("text", item.message).text();
    if (item.value == unavailable_text && item.key != "avail") return "null";
    if (item.kind == ItemKind::Number) return item.value;
    return json_string(item.value);
}

MqttSink::MqttSink(MqttSettings settings, std::string device)
    : settings_(std::move(settings)),
      device_(std::move(device)),
      base_(mqtt_topic_base(settings_, device_)) {}

MqttSink::~MqttSink() {
    stop_connection();
}

std::string MqttSink::start(const std::string& password) {
    std::string problem;
    client_ = make_mqtt_client(settings_, mqtt_client_id(device_), password, this, problem);
    if (!client_) return problem;
    const std::string will_topic = base_ + "avail";
    const std::string will = json_string(unavailable_text);
    const int rc = mosquitto_will_set(client_.get(), will_topic.c_str(),
                                      static_cast<int>(will.size()), will.data(), qos, true);
    if (rc != MOSQ_ERR_SUCCESS)
        return "the MQTT last will could not be set: " + mqtt_error_text(rc);
    // Values are published from the reporter's worker while this sink's
    // own thread runs the connection.
    mosquitto_threaded_set(client_.get(), true);
    mosquitto_connect_callback_set(client_.get(), on_connect);
    mosquitto_disconnect_callback_set(client_.get(), on_disconnect);
    mosquitto_publish_callback_set(client_.get(), on_publish);
    connection_ = std::thread([this] { keep_connected(); });
    return {};
}

// libmosquitto's own loop gives up for good on a TLS error, which is what a
// broker killed mid-connection gives; this one tries again whatever the
// error, from 1 s up to 30 s apart: a broker back after a restart is found
// soon, one gone for the day costs next to nothing.
void MqttSink::keep_connected() {
    using namespace std::chrono;
    auto wait = seconds(1);
    bool tried = false;
    while (!stopping_) {
        bool up = false;
        if (!tried || !connected_) {
            up = (tried ? mosquitto_reconnect(client_.get())
                        : mosquitto_connect(client_.get(), settings_.host.c_str(), settings_.port,
                                            keepalive_seconds)) == MOSQ_ERR_SUCCESS;
            tried = true;
        }
        while (!stopping_ && (up || connected_)) {
            if (mosquitto_loop(client_.get(), 100, 1) != MOSQ_ERR_SUCCESS) break;
            if (connected_) wait = seconds(1);
        }
        connected_ = false;
        for (auto until = steady_clock::now() + wait; !stopping_ && steady_clock::now() < until;)
            std::this_thread::sleep_for(milliseconds(50));
        wait = std::min(wait * 2, duration_cast<seconds>(seconds(30)));
    }
}

void MqttSink::stop_connection() {
    if (!connection_.joinable()) return;
    mosquitto_disconnect(client_.get());
    stopping_ = true;
    connection_.join();
}

void MqttSink::on_connect(mosquitto*, void* self, int rc) {
    auto* sink = static_cast<MqttSink*>(self);
    if (rc != 0) return;
    sink->send_all_ = true;
    sink->connected_ = true;
}

void MqttSink::on_disconnect(mosquitto*, void* self, int) {
    auto* sink = static_cast<MqttSink*>(self);
    sink->connected_ = false;
    sink->unanswered_ = 0;  // a clean session: what was not answered is gone
}

void MqttSink::on_publish(mosquitto*, void* self, int) {
    --static_cast<MqttSink*>(self)->unanswered_;
}

bool MqttSink::publish(const ReportItem& item) {
    const std::string topic = base_ + std::string(item.key);
    const std::string payload = mqtt_payload(item);
    ++unanswered_;
    if (mosquitto_publish(client_.get(), nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), qos, true) == MOSQ_ERR_SUCCESS)
        return true;
    --unanswered_;
    return false;
}

void MqttSink::update(const ReportItems& items) {
    if (!connected_) return;
    const bool all = send_all_.exchange(false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!all && items[i] == sent_[i]) continue;
        if (!publish(items[i])) {
            send_all_ = true;  // the connection went: all again once it is back
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
    while (connected_ && unanswered_ > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop_connection();
}

}  // namespace feedrite
