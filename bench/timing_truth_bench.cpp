// SPDX-License-Identifier: GPL-3.0-or-later
// How long busy_delay really lasts with the loop counts that the speed test
// computes on this machine, with a window shown: for the Fanuc preset's
// 3.33, 2.2 and .565 ms, the median of 100 runs each, measured with a
// monotonic clock outside the loop. A ratio below 1 is a short pulse.
//
// Run under a display or with QT_QPA_PLATFORM=offscreen:
//   timing_truth_bench [x ROUND_MS]   the measurement
//   timing_truth_bench drift SECONDS  the rate of each second

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/shown_window.h"
#include "btr/character_output.h"
#include "btr/speed_test.h"
#include "config/calibration.h"
#include "gui/qt_host.h"
#include "sim/virtual_port.h"
#include "text/plain_text_view.h"

namespace {

double median_ms(feedrite::Engine& engine, double count) {
    std::vector<double> runs;
    for (int i = 0; i < 100; ++i) {
        const auto start = std::chrono::steady_clock::now();
        feedrite::busy_delay(engine, count);
        runs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::nth_element(runs.begin(), runs.begin() + 50, runs.end());
    return runs[50];
}

}  // namespace

int main(int argc, char** argv) {
    using namespace feedrite;
    QApplication app(argc, argv);
    bench::ShownWindow shown;
    QtHost& host = shown.host();
    // "drift N": the rate of each of N seconds, to see how steady this PC is.
    if (argc > 2 && std::strcmp(argv[1], "drift") == 0) {
        for (int second = std::atoi(argv[2]); second > 0; --second)
            std::printf("rate %d\n", calibrated_rate(shown.best_of_seconds(1)));
        return 0;
    }
    const std::int32_t best = shown.best_of_seconds(10, argc > 2 ? std::atoi(argv[2]) : 1000);
    const std::int32_t rate = calibrated_rate(best);
    const MillisecondTimes fanuc{3.33, 2.2, .565, 0, 0};
    const LoopCounts counts = loop_counts(fanuc, rate);
    std::printf("best %d passes per second, rate %d\n", best, rate);

    WindowState state;
    PortSettings settings;
    VirtualPort port;
    PlainTextView view;
    Engine engine{state, settings, port, host, view};
    const std::pair<double, double> cases[] = {{fanuc.data_on, counts.delay1},
                                               {fanuc.sprocket_on, counts.delay2},
                                               {fanuc.overlap, counts.delay3}};
    for (const auto& [ms, count] : cases) {
        const double measured = median_ms(engine, count);
        std::printf("%.3f ms set, %.0f passes: median %.3f ms = %.2f x%s\n", ms, count, measured,
                    measured / ms, measured < ms ? "  SHORTER THAN SET" : "");
    }
    return 0;
}
