// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// feedrite-config --check-port: the port check on the command line.

#include <iosfwd>
#include <string>
#include <vector>

#include "btr/port/port_check.h"
#include "core/host.h"

namespace feedrite {

/// Whether `args` ask for the port check rather than for settings.
[[nodiscard]] bool asks_port_check(const std::vector<std::string>& args);

/// Runs `--check-port [PORT] [--device NAME] [--program-dir DIR]` on `device`
/// and prints the findings to `out`. PORT: LPT1 to LPT3, a hexadecimal
/// address or a device file; the device's address when not given. Returns
/// 0 when the port can be claimed and read, 1 when not, 2 for a usage error.
int run_port_check(const std::vector<std::string>& args, Host& host, PpdevDevice& device,
                   const KernelFacts& kernel, std::ostream& out, std::ostream& errors);

}  // namespace feedrite
