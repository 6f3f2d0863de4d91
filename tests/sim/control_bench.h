// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cmath>
#include <string_view>
#include <vector>

#include "btr/code_table.h"
#include "sim/virtual_control.h"
#include "sim/virtual_port.h"

namespace feedrite::testing {

struct Timing {  // milliseconds between the steps of the normal sequence
    double overlap = 0.6, on = 2.2, rest = 0.5, off = 0.5;
};

// A virtual port wired to a virtual control on a hand-turned clock, driven with
// the engine's register formulas under the sender's polarity. Starts with the
// data idle and the sprocket inactive, 10 ms before the first step.
struct Bench {
    explicit Bench(VirtualControlSettings settings = {}, bool data = true, bool sprocket = true)
        : control(settings, [this] { return now; }), data_logic(data), sprocket_logic(sprocket) {
        port.connect(&control);
        port.port_open(0x378, 3);
        put(0);
        this->sprocket(false);
        advance(10);
    }
    void advance(double ms) { now += std::chrono::microseconds(std::lround(ms * 1000)); }
    void put(int code) { port.port_write(0, data_logic ? code : code ^ 0xFF); }
    void sprocket(bool active) {  // bit 2 set and bit 3 clear, or the reverse
        const int v = port.port_read(2);
        port.port_write(2, active == sprocket_logic ? (v | 0x04) & 0xC7 : (v | 0x08) & 0xCB);
    }
    void latch(int code, double overlap = 1) {
        put(code);
        advance(overlap);
        sprocket(true);
    }
    void send(int code, const Timing& t = {}) {
        latch(code, t.overlap);
        advance(t.on);
        sprocket(false);
        advance(t.rest);
        put(0);
        advance(t.off);
    }
    void send_text(std::string_view text, CodeSet set = ISO_even, const Timing& t = {}) {
        for (const unsigned char c : text) send(code_table()[set][c], t);
    }
    [[nodiscard]] std::vector<FindingKind> kinds() const {
        std::vector<FindingKind> found;
        for (const auto& finding : control.findings()) found.push_back(finding.kind);
        return found;
    }

    ControlClock::time_point now{};
    VirtualControl control;
    bool data_logic, sprocket_logic;
    VirtualPort port;
};

}  // namespace feedrite::testing
