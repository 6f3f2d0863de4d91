// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/estimate.h"

#include <algorithm>
#include <deque>

#include "base/number_text.h"
#include "base/stop_request.h"
#include "btr/block/block_rewrite.h"
#include "btr/block/settings_text.h"

namespace feedrite {

std::vector<BlockWait> control_waits(const std::vector<BlockFigures>& blocks, std::size_t buffer) {
    buffer = std::max<std::size_t>(buffer, 1);
    std::vector<BlockWait> waits(blocks.size());
    std::deque<double> started;  // when the last `buffer` blocks began to run
    double read = 0, run_end = 0;
    std::size_t unsure = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const BlockFigures& b = blocks[i];
        double read_from = read;
        if (started.size() == buffer) read_from = std::max(read_from, started.front());
        read = read_from + b.tape;
        const double start = std::max(run_end, read);
        if (unsure > 0) {
            waits[i].unknown = true;
            --unsure;
        } else if (i > 0) {
            waits[i].seconds = start - run_end;
        }
        started.push_back(start);
        if (started.size() > buffer) started.pop_front();
        run_end = start + b.machining;
        if (!b.known) {
            double full = read;
            for (std::size_t j = i + 1; j <= i + buffer && j < blocks.size(); ++j)
                full += blocks[j].tape;
            run_end = std::max(run_end, full);
            unsure = buffer;
        }
    }
    return waits;
}

namespace {

// Calls `stop(cut, seconds, unknown)` for each stop in the cut, before the
// cut at index `cut`.
template <class Stop>
void for_each_stop(const std::vector<BlockFigures>& blocks, const std::vector<BlockWait>& waits,
                   Stop&& stop) {
    bool in_cut = false;  // the last block that moved cut
    double seconds = 0;
    bool unknown = false;
    for (std::size_t i = 0; i < blocks.size() && i < waits.size(); ++i) {
        if (in_cut) {
            seconds += waits[i].seconds;
            unknown = unknown || waits[i].unknown;
        }
        if (!blocks[i].moves) continue;
        if (in_cut && blocks[i].feed && (unknown || seconds > 0)) stop(i, seconds, unknown);
        in_cut = blocks[i].feed;
        seconds = 0, unknown = false;
    }
}

}  // namespace

Starvation starvation(const std::vector<BlockFigures>& blocks, const std::vector<BlockWait>& waits,
                      std::size_t keep) {
    Starvation result;
    const auto longer = [](const Wait& a, const Wait& b) {
        return a.seconds > b.seconds || (a.seconds == b.seconds && a.block < b.block);
    };
    for_each_stop(blocks, waits, [&](std::size_t cut, double seconds, bool unknown) {
        if (unknown) {
            ++result.unknown;
            return;
        }
        result.seconds += seconds;
        ++result.blocks;
        // The worst so far, kept sorted: a short list, so a plain insert.
        const Wait w{cut, seconds};
        if (result.worst.size() == keep && (keep == 0 || !longer(w, result.worst.back()))) return;
        result.worst.insert(std::upper_bound(result.worst.begin(), result.worst.end(), w, longer),
                            w);
        if (result.worst.size() > keep) result.worst.pop_back();
    });
    return result;
}

MotionSettings motion_settings(const std::vector<std::string_view>& lines,
                               const PortSettings& settings) {
    return MotionSettings{machine_kind_of(lines), settings.rapid_mm_per_min,
                          settings.lathe_starts_per_revolution, settings.acceleration};
}

ProgramEstimate estimate_program(std::string_view text, const PortSettings& settings) {
    ProgramEstimate estimate;
    std::vector<std::string_view> lines = program_lines(text);
    const double cps = settings.speed_cps.value_or(0);
    estimate.accelerated = settings.acceleration != std::array<double, 3>{};
    estimate.speed_known = cps > 0;
    const double between_blocks =
        settings.set_ms(DelayKind::between_blocks).value_or(0) / 1000;  // s
    const auto tape_seconds = [&](std::string_view block, bool eob, bool dont_mask) {
        const BlockRewrite sent = rewrite_block(block, eob, dont_mask, settings);
        // A block the format refuses is not sent: the run begins again there.
        const std::size_t size = sent.failure ? 0 : sent.text.size();
        return cps > 0 ? static_cast<double>(size) / cps : 0.0;
    };
    // The cycle sends a last, empty block after the text's final line break.
    const bool final_break = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    const MotionModel model(lines, motion_settings(lines, settings));
    if (final_break) lines.emplace_back();
    // The tape goes back to the top after the block holding the reset text,
    // without the trailer.
    std::size_t end = lines.size();
    for (std::size_t i = 0; i < lines.size() && !estimate.ends_at_reset; ++i) {
        if (!holds_reset_text(lines[i], settings.BTRreset)) continue;
        end = i + 1;
        estimate.ends_at_reset = true;
    }
    estimate.blocks_sent = end;
    std::vector<BlockFigures> figures(end);
    estimate.tape_seconds = tape_seconds(settings.leader_sent, false, true);
    if (!estimate.ends_at_reset)
        estimate.tape_seconds += tape_seconds(settings.trailer_sent, false, true);
    for (std::size_t i = 0; i < end; ++i) {
        if (stop_requested_at(i)) return {};  // ending anyway: no estimate
        BlockFigures& f = figures[i];
        f.tape = tape_seconds(lines[i], true, false) + (cps > 0 ? between_blocks : 0);
        estimate.tape_seconds += f.tape;
        if (i >= model.blocks().size()) continue;
        const BlockMotion& b = model.blocks()[i];
        f.machining = b.seconds;
        f.feed = (b.flags & block_feed) != 0;
        f.moves = b.first_move < (i + 1 < model.blocks().size() ? model.blocks()[i + 1].first_move
                                                                : model.moves().size());
        f.known = (b.flags & block_unknown) == 0;
        estimate.machining_seconds += b.seconds;
        if (!f.known) ++estimate.unknown_blocks;
    }
    const std::vector<BlockWait> waits =
        control_waits(figures, static_cast<std::size_t>(settings.read_ahead_blocks));
    estimate.waits = starvation(figures, waits);
    for_each_stop(figures, waits, [&](std::size_t cut, double seconds, bool unknown) {
        if (!unknown && seconds > settings.wait_mark_s)
            estimate.waiting_lines.push_back(static_cast<std::int32_t>(cut + 1));
    });
    estimate.left.assign(lines.size(), 0.0F);
    double left = 0;
    for (std::size_t i = end; i-- > 0;) {
        left += figures[i].machining + waits[i].seconds;
        estimate.left[i] = static_cast<float>(left);
    }
    return estimate;
}

}  // namespace feedrite
