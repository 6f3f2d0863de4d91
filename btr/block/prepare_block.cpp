// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/prepare_block.h"

#include "btr/block/block_rewrite.h"

namespace feedrite {

std::optional<std::string> prepare_block(std::string_view l, bool eob, bool dont_mask,
                                         const PortSettings& settings, Host& host,
                                         WindowState& state) {
    BlockRewrite rewrite = rewrite_block(l, eob, dont_mask, settings);
    if (!rewrite.failure) return std::move(rewrite.text);
    report_decimal_error(*rewrite.failure, host, state);
    return std::nullopt;
}

void report_decimal_error(const DecimalFailure& failure, Host& host, WindowState& state) {
    // The caption names the letter so the operator can find the missing
    // format entry while the message is still open.
    if (failure.cause == DecimalError::letter_not_in_format)
        host.set_caption(std::string(1, failure.letter) + "   1");
    host.message_box("Decimal point conversion error:\n<" + failure.saved + ">", "Decimal error",
                     MessageIcon::Exclamation, MessageButtons::Ok);
    state.DNC_reset = DNC_restart;
    ++state.run.blocks_refused;
}

}  // namespace feedrite
