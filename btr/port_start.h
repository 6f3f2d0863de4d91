// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starting the port before a transmission, and the waits for the control.

#include <chrono>
#include <string>

#include "btr/engine.h"

namespace feedrite {

/// The port may be used: an address and the data-on and sprocket-on counts.
[[nodiscard]] bool port_is_configured(const PortSettings& settings);

/// Opens the port at BTRaddress and writes the idle start-up values: data
/// lines idle, sprocket inactive, ready bit clear. On failure nothing is
/// written and the error is returned for the caller to report.
[[nodiscard]] PortError port_start_up(PortAccess& port, const PortSettings& settings);

/// The lines as start-up leaves them: data idle, sprocket inactive, ready
/// clear. Also how the port is left when the program ends mid-character.
void put_lines_at_rest(PortAccess& port, const PortSettings& settings);
/// How long a wait reads the control at full speed after it found stop, and
/// how long it then sleeps between reads (only with the engine's clock).
inline constexpr double stop_wait_awake_ms = 20;
inline constexpr std::chrono::microseconds stop_wait_nap{1000};

/// Waits until the control signals run, refusing while the text is edited.
/// Returns at once when a reset or close is requested (DNC_reset not 0) or
/// the port has failed (`PortAccess::fault`).
void Wait_for_FDT(Engine& engine);

/// What edit mode does to a wait inside a block: hold it until edit mode
/// ends (a binary file), or cut the block there (a program block, whose tail
/// must never follow a stop the operator made).
enum class OnEdit { Hold, Cut };

/// The wait before each character or byte: as Wait_for_FDT, with the stall
/// timer running while it waits. False when DNC_reset or a port fault ended it, or when edit
/// mode cut the block (`WindowState::tape_cut` then says so).
[[nodiscard]] bool wait_for_run(Engine& engine, OnEdit on_edit = OnEdit::Hold);

/// The edit-mode notice, once per stop; `more` adds a paragraph.
void show_edit_mode_message(Engine& engine, const std::string& more = "");

}  // namespace feedrite
