// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/estimate.h"

#include <algorithm>

#include "base/number_text.h"
#include "base/stop_request.h"
#include "btr/block/block_rewrite.h"
#include "motion/motion_model.h"

namespace feedrite {

double wait_for(const std::vector<BlockFigures>& blocks, std::size_t i) {
    if (i == 0 || i >= blocks.size() || !blocks[i - 1].feed || !blocks[i].feed) return 0;
    return std::max(0.0, blocks[i].tape - blocks[i - 1].machining);
}

Starvation starvation(const std::vector<BlockFigures>& blocks, std::size_t keep) {
    Starvation result;
    const auto longer = [](const Wait& a, const Wait& b) {
        return a.seconds > b.seconds || (a.seconds == b.seconds && a.block < b.block);
    };
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        const double wait = wait_for(blocks, i);
        if (wait <= 0) continue;
        result.seconds += wait;
        ++result.blocks;
        // The worst so far, kept sorted: a short list, so a plain insert.
        const Wait w{i, wait};
        if (result.worst.size() == keep && (keep == 0 || !longer(w, result.worst.back()))) continue;
        result.worst.insert(std::upper_bound(result.worst.begin(), result.worst.end(), w, longer),
                            w);
        if (result.worst.size() > keep) result.worst.pop_back();
    }
    return result;
}

ProgramEstimate estimate_program(std::string_view text, const PortSettings& settings) {
    ProgramEstimate estimate;
    std::vector<std::string_view> lines = program_lines(text);
    const double cps = settings.speed_cps.value_or(0);
    estimate.speed_known = cps > 0;
    const auto tape_seconds = [&](std::string_view block, bool eob, bool dont_mask) {
        const BlockRewrite sent = rewrite_block(block, eob, dont_mask, settings);
        // A block the format refuses is not sent: the run begins again there.
        const std::size_t size = sent.failure ? 0 : sent.text.size();
        return cps > 0 ? static_cast<double>(size) / cps : 0.0;
    };
    // The cycle sends a last, empty block after the text's final line break.
    const bool final_break = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    MotionSettings motion{machine_kind_of(lines), settings.rapid_mm_per_min};
    const MotionModel model(lines, motion);
    if (final_break) lines.emplace_back();
    std::vector<BlockFigures> figures(lines.size());
    estimate.tape_seconds = tape_seconds(settings.leader_sent, false, true) +
                            tape_seconds(settings.trailer_sent, false, true);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (stop_requested_at(i)) return {};  // ending anyway: no estimate
        BlockFigures& f = figures[i];
        f.tape = tape_seconds(lines[i], true, false);
        estimate.tape_seconds += f.tape;
        if (i >= model.blocks().size()) continue;
        const BlockMotion& b = model.blocks()[i];
        f.machining = b.seconds;
        f.feed = (b.flags & block_feed) != 0;
        estimate.machining_seconds += b.seconds;
        if ((b.flags & block_unknown) != 0) ++estimate.unknown_blocks;
    }
    estimate.waits = starvation(figures);
    estimate.left.resize(figures.size());
    double left = 0;
    for (std::size_t i = figures.size(); i-- > 0;) {
        const double wait = wait_for(figures, i);
        left += figures[i].machining + wait;
        estimate.left[i] = static_cast<float>(left);
        if (wait > 0) estimate.waiting_lines.push_back(static_cast<std::int32_t>(i + 1));
    }
    std::reverse(estimate.waiting_lines.begin(), estimate.waiting_lines.end());
    return estimate;
}

}  // namespace feedrite
