// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reporting settings file ("Feedrite reporting" in the settings folder):
// where the MQTT broker is and how to log in, and the SHDR adapter's port.
// Both are off until set. One "name value" line each; a line not known is
// left out when read. The password is not in it: the file only names a
// password file that the user alone may read.

#include <string>

namespace feedrite {

struct MqttSettings {
    std::string host;  ///< empty: MQTT is off
    int port = 1883;
    std::string ca_file;  ///< empty: no TLS
    std::string user;     ///< empty: no login
    std::string password_file;
    std::string prefix = "feedrite";
};

struct ReportSettings {
    MqttSettings mqtt;
    int shdr_port = 0;  ///< 0: the SHDR adapter is off
};

inline constexpr int default_mqtt_port = 1883, default_mqtt_tls_port = 8883,
                     default_shdr_port = 7878;

[[nodiscard]] std::string report_settings_path(const std::string& settings_dir);

/// The settings in the folder; all off when there is no file. A line that
/// does not read is told in `problem` (one line), the rest still read.
[[nodiscard]] ReportSettings read_report_settings(const std::string& settings_dir,
                                                  std::string& problem);

/// Writes the file atomically; empty when done, otherwise why not.
[[nodiscard]] std::string write_report_settings(const std::string& settings_dir,
                                                const ReportSettings& settings);

/// The first line of the password file, which must be a regular file of the
/// user's own that no one else may read or write. Empty `problem` when read;
/// otherwise the reason and the fix ("chmod 600 FILE").
[[nodiscard]] std::string read_password_file(const std::string& path, std::string& problem);

/// "HOST" or "HOST:PORT" into `settings`; false when the port is no port.
[[nodiscard]] bool take_broker_address(const std::string& text, MqttSettings& settings);

/// A word of a topic: "/", "+", "#" and control characters would change
/// which topics it names, so each becomes "_".
[[nodiscard]] std::string topic_word(const std::string& name);

}  // namespace feedrite
