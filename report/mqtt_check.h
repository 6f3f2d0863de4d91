// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-config --check-mqtt: connects to the broker as the reporting
// would, logs in, and says whether the broker answers and takes the login.

#include <chrono>
#include <string>

#include "report/report_settings.h"

namespace feedrite {

struct MqttCheck {
    bool ok = false;
    std::string message;  ///< one or two lines for the user
};

[[nodiscard]] MqttCheck check_mqtt(const MqttSettings& settings, const std::string& device,
                                   std::chrono::milliseconds wait = std::chrono::seconds(5));

}  // namespace feedrite
