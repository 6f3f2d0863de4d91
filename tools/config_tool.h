// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-config: sets up a device without a window, for installers and
// scripts. It fills the configuration dialog's model the way a user would,
// runs the same speed test and writes the files with the same writer.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "btr/speed_test.h"
#include "config/calibration.h"
#include "core/host.h"

namespace feedrite {

/// Runs the speed test for `seconds` seconds, telling the seconds left; the
/// executable times the seconds with the event loop that the host yields to.
using SpeedTestRunner = std::function<SpeedTest(int seconds, const SecondsLeft& tell)>;

/// Runs the tool with `args` (without the program name). The readable
/// settings go to `out`, progress and the messages of `host` to `errors`.
/// Returns 0 when done, 1 when a setting was refused or a file could not be
/// read or written, 2 for a usage error.
int run_config(const std::vector<std::string>& args, Host& host, const SpeedTestRunner& speed_test,
               std::ostream& out, std::ostream& errors);

[[nodiscard]] std::string config_usage();

}  // namespace feedrite
