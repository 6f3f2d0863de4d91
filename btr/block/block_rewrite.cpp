// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/block/block_rewrite.h"

#include "btr/block/block_text.h"

namespace feedrite {
namespace {

// Steps before the end of block; returns a failure when the block must not go.
std::optional<DecimalFailure> rewrite_body(std::string& t, const PortSettings& settings) {
    // The comment is kept out of the way of the conversion, whose points
    // would otherwise be taken for numbers ('(STEP 1.5)').
    std::string comment;
    if (!settings.BTRformat.empty() || settings.BTRmaskcomments) comment = take_first_comment(t);
    if (!settings.BTRmask.empty()) mask_outside_comments(t, settings.BTRmask);
    if (!settings.BTRformat.empty()) {
        if (auto failure = convert_decimals(t, settings.BTRformat)) return failure;
    }
    if (!settings.BTRmask.empty()) mask_everywhere(t, settings.BTRmask);
    if (!settings.BTRmaskcomments) t += comment;
    return std::nullopt;
}

}  // namespace

BlockRewrite rewrite_block(std::string_view l, bool eob, bool dont_mask,
                           const PortSettings& settings) {
    BlockRewrite result{std::string(l), std::nullopt};
    if (!dont_mask) result.failure = rewrite_body(result.text, settings);
    if (result.failure) {
        result.text.clear();
        return result;
    }
    if (eob) result.text += settings.BTReob;
    return result;
}

}  // namespace feedrite
