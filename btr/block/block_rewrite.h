// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rewriting of one block on its way to the port, without the window: the
// result says what to send, or why the block must not be sent.

#include <optional>
#include <string>
#include <string_view>

#include "btr/block/decimal_conversion.h"
#include "config/port_settings.h"

namespace feedrite {

struct BlockRewrite {
    std::string text;  ///< what goes to code conversion; empty on failure
    std::optional<DecimalFailure> failure;
};

/// Rewrites block `l` by `settings`: the first comment is set aside (when a
/// format is set or comments are dropped), masked outside comments, decimals
/// converted, masked everywhere, the comment re-appended at the end or
/// dropped, and `BTReob` appended when `eob`. With `dont_mask` only `BTReob`
/// is appended. Keeps nothing between calls.
[[nodiscard]] BlockRewrite rewrite_block(std::string_view l, bool eob, bool dont_mask,
                                         const PortSettings& settings);

}  // namespace feedrite
