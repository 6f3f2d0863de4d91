// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starts the reporting a settings folder asks for: a reporter with an MQTT
// sink and an SHDR adapter where set, nothing where neither is.

#include <memory>
#include <string>
#include <vector>

#include "report/reporter.h"

namespace feedrite {

struct ReportingStart {
    std::unique_ptr<Reporter> reporter;  ///< none when nothing is set up or nothing started
    std::vector<std::string> notes;      ///< what was started, and what could not be and why
};

[[nodiscard]] ReportingStart start_reporting(const std::string& settings_dir,
                                             const std::string& device);

}  // namespace feedrite
