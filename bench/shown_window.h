// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The timing benchmarks measure with the main window shown, as the operator
// sees it while sending, and calibrate the way Apply does.

#include <QTimer>
#include <cstdint>

#include "btr/speed_test.h"
#include "config/calibration.h"
#include "gui/feedrite_form.h"

namespace feedrite::bench {

/// A main window with a short program, shown; its host answers every
/// message with OK.
struct ShownWindow {
    ModuleState module;
    FeedriteForm window{module, std::string(".")};

    ShownWindow() {
        window.text_view().set_text("N10 G01 X1.5\r\nN20 M30\r\n");
        window.show();
        window.qt_host().answer_with([](auto&&...) { return MessageAnswer::Ok; });
    }
    QtHost& host() { return window.qt_host(); }

    /// The speed test's best count over `seconds` rounds of `round_ms`.
    std::int32_t best_of_seconds(int seconds, int round_ms = 1000) {
        QTimer second;
        second.setSingleShot(true);
        second.setInterval(round_ms);
        bool* stopit = nullptr;
        QObject::connect(&second, &QTimer::timeout, [&] { *stopit = true; });
        return feedrite::best_of_seconds(
            host(),
            [&](bool& flag) {
                stopit = &flag;
                second.start();
            },
            seconds);
    }
};

}  // namespace feedrite::bench
