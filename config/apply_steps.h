// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What Apply does around the speed test, without a window: the dialog and
// feedrite-config both run these, so a device set up either way gets the
// same file.

#include <cstdint>
#include <optional>
#include <string>

#include "config/calibration.h"
#include "config/config_model.h"
#include "core/host.h"

namespace feedrite {

/// The dialog's 750 ms upkeep: an end-of-block box back when none is ticked
/// (outside EIA), ASCII/ISO back when no code is ticked, and the speed display.
void keep_up(ConfigModel& model);

/// Apply's checks in their order: the port address (a typed one by the
/// typed-address rule), then the five times. The first that fails shows its
/// message and gives nothing.
[[nodiscard]] std::optional<MillisecondTimes> checked_times(const ConfigModel& model, Host& host);

/// The name of the selected device; "(default)" when the selection is off the list.
[[nodiscard]] std::string selected_device(const ConfigModel& model);

/// After the speed test: the loop counts for `times` at `rate` go into the
/// model, then the selected device's settings file and the device list are
/// written. False when a write failed (the message has been shown).
bool save_applied(ConfigModel& model, const MillisecondTimes& times, std::int32_t rate,
                  const std::string& program_dir, Host& host);

}  // namespace feedrite
