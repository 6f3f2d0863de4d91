// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Block preparation as the engine runs it: the rewriting, and the report to
// the operator when a block cannot be converted.

#include <optional>
#include <string>
#include <string_view>

#include "btr/block/decimal_conversion.h"
#include "btr/engine.h"
#include "config/port_settings.h"
#include "core/host.h"
#include "core/window_state.h"

namespace feedrite {

/// The text to code-convert and send for block `l`, or nothing when a decimal
/// point cannot be converted: the operator has then been told, and
/// `DNC_reset` is 1 so that the run restarts from the top of the program.
[[nodiscard]] std::optional<std::string> prepare_block(std::string_view l, bool eob, bool dont_mask,
                                                       const PortSettings& settings, Host& host,
                                                       WindowState& state);

[[nodiscard]] inline std::optional<std::string> prepare_block(Engine& engine, std::string_view l,
                                                              bool eob, bool dont_mask) {
    return prepare_block(l, eob, dont_mask, engine.settings, engine.host, engine.state);
}

/// Shows the "Decimal error" message for `failure` (naming the letter in the
/// caption first for a letter missing from the format) and asks for a restart.
void report_decimal_error(const DecimalFailure& failure, Host& host, WindowState& state);

}  // namespace feedrite
