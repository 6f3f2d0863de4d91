// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Clocking characters out: busy-wait delays, the normal and the asynchronous
// (Remex) sequence, and the per-block steps. Timing is counted loop passes,
// calibrated by the speed test; with a clock in the engine each delay is
// then guarded so that it never ends before its set time.

#include <string>
#include <string_view>

#include "btr/engine.h"

namespace feedrite {

/// Makes `count` passes of the busy loop (a fractional count rounds up),
/// yielding to the window on passes 0, 10, 20, ...
void busy_delay(Engine& engine, double count);

/// The delay of `kind` with the device's loop count; with the engine's clock
/// and a set time, it lasts at least that time (see delay_guard.h) and its
/// length goes to the engine's figures. The observer sees the count either way.
void busy_delay(Engine& engine, DelayKind kind);

/// Replaces every character by its output code in the device's code set. A
/// code set without a column (outside 0..3) gives 0x00 for every character.
void convert_codes(std::string& block, int code_set);

/// Puts one converted code (or binary byte) on the port with the sequence the
/// settings select. Does not wait for the control.
void send_character(Engine& engine, int code);

/// Sends a block: prepares it (unless dont_mask), converts, and clocks it out
/// character by character, waiting for run before each; then the delay
/// between blocks and the return to the sending state after a stall. Returns
/// early, sending nothing more, when DNC_reset is set, preparation refuses or
/// edit mode cuts the block.
void BTRsendline(Engine& engine, std::string_view l, bool eob, bool dont_mask);

/// Sends already prepared and converted codes (the output half of BTRsendline).
void send_codes(Engine& engine, std::string_view codes);

}  // namespace feedrite
