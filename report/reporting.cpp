// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/reporting.h"

#include "report/mqtt_sink.h"
#include "report/report_settings.h"
#include "report/shdr_adapter.h"

namespace feedrite {

namespace {

std::unique_ptr<ReportSink> mqtt_sink(const MqttSettings& settings, const std::string& device,
                                      std::vector<std::string>& notes) {
    std::string problem, password;
    if (!settings.user.empty()) password = read_password_file(settings.password_file, problem);
    auto sink = std::make_unique<MqttSink>(settings, device);
    if (problem.empty()) problem = sink->start(password);
    if (!problem.empty()) {
        notes.push_back("No reporting to MQTT: " + problem);
        return nullptr;
    }
    notes.push_back("Reporting to MQTT broker " + broker_text(settings) + " under " +
                    mqtt_topic_base(settings, device));
    return sink;
}

std::unique_ptr<ReportSink> shdr_adapter(int port, std::vector<std::string>& notes) {
    auto adapter = std::make_unique<ShdrAdapter>();
    const std::string problem = adapter->listen(port);
    if (!problem.empty()) {
        notes.push_back("No MTConnect reporting: " + problem);
        return nullptr;
    }
    notes.push_back("MTConnect agents may connect on port " + std::to_string(port));
    return adapter;
}

}  // namespace

ReportingStart start_reporting(const std::string& settings_dir, const std::string& device) {
    ReportingStart start;
    std::string problem;
    const ReportSettings settings = read_report_settings(settings_dir, problem);
    if (!problem.empty()) start.notes.push_back(problem);
    std::vector<std::unique_ptr<ReportSink>> sinks;
    if (!settings.mqtt.host.empty())
        if (auto sink = mqtt_sink(settings.mqtt, device, start.notes))
            sinks.push_back(std::move(sink));
    if (settings.shdr_port > 0)
        if (auto sink = shdr_adapter(settings.shdr_port, start.notes))
            sinks.push_back(std::move(sink));
    if (!sinks.empty()) start.reporter = std::make_unique<Reporter>(std::move(sinks));
    return start;
}

}  // namespace feedrite
