// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place a run reads its device's settings file: before the port is
// made, so the port is only ever opened over a finished record.

#include <optional>
#include <string>

#include "btr/engine.h"
#include "config/port_settings.h"

namespace feedrite {

/// The finished record of `engine.state.IO_device_name` in `program_dir`
/// (and its CALL switch into the state); nothing when the device is not set
/// up or its file refused, after telling the user, showing the report and
/// setting the run's phase.
[[nodiscard]] std::optional<PortSettings> read_device_settings(Engine& engine,
                                                               const std::string& program_dir);

}  // namespace feedrite
