// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/waits_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace feedrite {

std::string clock_text(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(0.0, seconds)));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

std::string waits_report(const ProgramEstimate& estimate, std::string_view speed,
                         const std::function<std::string(std::size_t)>& line, double threshold) {
    const Starvation& waits = estimate.waits;
    const auto seconds = [](double s) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f s", s);
        return std::string(text);
    };
    std::string text = "At " + std::string(speed);
    if (waits.blocks == 0 && waits.unknown == 0)
        return text + " the control never waits for the tape in the cut with this program.";
    if (waits.blocks > 0)
        text += " the tool stops in the cut " + std::to_string(waits.blocks) +
                " times, waiting for the tape: " + clock_text(waits.seconds) +
                " in all. It stands still there and may mark the part. Stops longer than " +
                seconds(threshold) + " are marked in the left margin and on the toolpath.";
    else
        text += " no stop in the cut is known.";
    if (waits.unknown > 0)
        text += "\n\n" + std::to_string(waits.unknown) +
                " more stops in the cut follow blocks whose time is not known (macros, calls, "
                "moves from an unknown place): how long they are is not known.";
    if (!waits.worst.empty()) {
        text += "\n\nThe longest stops, before the line:";
        for (const Wait& wait : waits.worst) {
            std::string block = line(wait.block);
            if (block.size() > 60) block = block.substr(0, 60) + "...";
            text += "\nline " + std::to_string(wait.block + 1) + ": " + seconds(wait.seconds) +
                    "   " + block;
        }
    }
    if (!estimate.accelerated)
        text +=
            "\n\nThe times are without acceleration: the device's settings do not say how "
            "fast its axes accelerate.";
    return text +
           "\n\nWhat helps: a faster tape, as fast as the control reads without errors "
           "(Configure: shorter delays, then the speed test); fewer characters per block "
           "(no spaces, no block numbers, no trailing zeros); comments left off the tape "
           "(Configure: Mask comments).";
}

}  // namespace feedrite
