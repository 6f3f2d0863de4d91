// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fixed settings for three makes of CNC control, applied to the configuration
// dialog's values as its preset buttons do.

#include <optional>
#include <string_view>

#include "config/config_model.h"

namespace feedrite {

enum class Preset { Fanuc, Yasnac, PW };

/// Makes the preset's assignments in their fixed order; every tick box that
/// changes runs its reaction, as a click would.
void apply_preset(ConfigModel& model, Preset preset);

/// "fanuc", "yasnac" or "pw", in any case.
[[nodiscard]] std::optional<Preset> preset_named(std::string_view name);

}  // namespace feedrite
