// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sending a binary file: every byte as it is, with the handshake and timing of
// a text character, and a running byte count in the view.

#include <string>
#include <string_view>

#include "btr/engine.h"

namespace feedrite {

/// "Bytes sent: " and the count (of the byte in progress) after one blank.
[[nodiscard]] std::string bytes_sent_text(std::size_t count);

/// Sends the bytes once; returns after the last one or when DNC_reset is set.
void BTRsendbinary(Engine& engine, std::string_view content);

}  // namespace feedrite
