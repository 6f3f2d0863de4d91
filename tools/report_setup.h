// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-config's reporting options: --mqtt and its companions, --shdr,
// the off switches, and --check-mqtt.

#include <iosfwd>
#include <optional>
#include <string>

#include "report/report_settings.h"

namespace feedrite {

/// What the reporting options ask; each field unset leaves the file's value.
struct ReportOptions {
    std::optional<std::string> host;  ///< from --mqtt, without the port
    std::optional<int> port;          ///< from --mqtt HOST:PORT
    std::optional<std::string> ca_file, user, password_file, prefix;
    std::optional<int> shdr_port;
    bool no_mqtt = false, no_shdr = false, check = false;

    [[nodiscard]] bool changes() const {
        return host || port || ca_file || user || password_file || prefix || shdr_port || no_mqtt ||
               no_shdr;
    }
    [[nodiscard]] bool any() const { return changes() || check; }
};

/// Option value checks, for the option table: empty when fine.
[[nodiscard]] std::string take_mqtt_address(ReportOptions& options, const std::string& text);
[[nodiscard]] std::string take_shdr_port(ReportOptions& options,
                                         const std::optional<std::string>& text);
[[nodiscard]] std::string take_prefix(ReportOptions& options, const std::string& text);

/// Changes the reporting settings of `settings_dir` as `options` say, tells
/// what they are now, then checks the broker if asked. 0 when done (and the
/// broker took the login), 1 otherwise.
int run_report_setup(const ReportOptions& options, const std::string& settings_dir,
                     const std::string& device, std::ostream& out, std::ostream& errors);

}  // namespace feedrite
