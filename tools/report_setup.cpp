// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_setup.h"

#include <charconv>
#include <ostream>

#include "report/mqtt_check.h"
#include "report/mqtt_client.h"

namespace feedrite {

std::string take_mqtt_address(ReportOptions& options, const std::string& text) {
    MqttSettings parsed;
    parsed.port = 0;
    if (!take_broker_address(text, parsed))
        return "--mqtt takes HOST or HOST:PORT with a port from 1 to 65535, not \"" + text + '"';
    options.host = parsed.host;
    if (parsed.port != 0) options.port = parsed.port;
    return {};
}

std::string take_shdr_port(ReportOptions& options, const std::optional<std::string>& text) {
    if (!text) {
        options.shdr_port = default_shdr_port;
        return {};
    }
    int port = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), port);
    if (error != std::errc() || end != text->data() + text->size() || port < 1 || port > 65535)
        return "--shdr takes a port from 1 to 65535, not \"" + *text + '"';
    options.shdr_port = port;
    return {};
}

std::string take_prefix(ReportOptions& options, const std::string& text) {
    if (text.find_first_of("+#") != std::string::npos || text.starts_with('/') ||
        text.ends_with('/'))
        return "--mqtt-prefix: a topic prefix has no \"+\" or \"#\" and neither starts nor ends "
               "with \"/\"";
    options.prefix = text;
    return {};
}

namespace {

// The settings as `options` leave them; a refusal in `problem`.
ReportSettings changed_settings(ReportSettings s, const ReportOptions& o, std::string& problem) {
    MqttSettings& m = s.mqtt;
    if (o.no_mqtt) m = MqttSettings();
    if (o.host) m.host = *o.host;
    if (o.ca_file) m.ca_file = *o.ca_file;
    if (o.user) m.user = *o.user;
    if (o.password_file) m.password_file = *o.password_file;
    if (o.prefix) m.prefix = *o.prefix;
    if (o.port)
        m.port = *o.port;
    else if (o.host || o.ca_file)
        m.port = m.ca_file.empty() ? default_mqtt_port : default_mqtt_tls_port;
    if (o.no_shdr) s.shdr_port = 0;
    if (o.shdr_port) s.shdr_port = *o.shdr_port;
    if (!m.host.empty() && !m.user.empty()) {
        if (m.password_file.empty())
            problem =
                "--mqtt-user needs --mqtt-password-file: the password is kept in a file "
                "that you alone may read";
        else
            (void)read_password_file(m.password_file, problem);
    }
    if (m.host.empty() && (o.ca_file || o.user || o.password_file || o.prefix))
        problem = "the MQTT options need --mqtt HOST[:PORT] (no broker is set up)";
    return s;
}

void show(const ReportSettings& s, const std::string& device, std::ostream& out) {
    const MqttSettings& m = s.mqtt;
    if (m.host.empty()) {
        out << "MQTT              off\n";
    } else {
        out << "MQTT              " << broker_text(m) << ", topics " << mqtt_topic_base(m, device)
            << "...\n";
        if (!m.ca_file.empty()) out << "  CA file         " << m.ca_file << '\n';
        if (!m.user.empty())
            out << "  User            " << m.user << " (password in " << m.password_file << ")\n";
    }
    out << "MTConnect SHDR    "
        << (s.shdr_port > 0 ? "port " + std::to_string(s.shdr_port) : std::string("off")) << '\n';
}

}  // namespace

int run_report_setup(const ReportOptions& options, const std::string& settings_dir,
                     const std::string& device, std::ostream& out, std::ostream& errors) {
    std::string problem;
    ReportSettings settings = read_report_settings(settings_dir, problem);
    if (!problem.empty()) errors << "feedrite-config: " << problem << '\n';
    if (options.changes()) {
        problem.clear();
        settings = changed_settings(settings, options, problem);
        if (problem.empty()) problem = write_report_settings(settings_dir, settings);
        if (!problem.empty()) {
            errors << "feedrite-config: " << problem << '\n';
            return 1;
        }
        errors << "Saved " << report_settings_path(settings_dir) << '\n';
    }
    show(settings, device, out);
    if (!options.check) return 0;
    const MqttCheck check = check_mqtt(settings.mqtt, device);
    (check.ok ? out : errors) << check.message << '\n';
    return check.ok ? 0 : 1;
}

}  // namespace feedrite
