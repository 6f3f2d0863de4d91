#pragma once
// A virtual port wired to a virtual control on a hand-turned clock, driven
// register by register with the engine's own formulas.

#include <string_view>

#include "btr/code_table.h"
#include "btr/port/virtual_control.h"
#include "btr/port/virtual_port.h"

namespace feedrite::testing {

/// Milliseconds between the steps of the normal sequence.
struct Timing {
    double overlap = 0.6, on = 2.2, rest = 0.5, off = 0.5;
};

/// The sending side's data and sprocket polarity.
struct Polarity {
    bool data = true, sprocket = true;
};

struct Bench {
    explicit Bench(VirtualControlSettings settings = {}, Polarity engine = {})
        : control(settings, [this] { return now; }), engine(engine) {
        port.connect(&control);
        port.port_open(0x378, 3);
    }

    void advance(double ms) {
        now += std::chrono::duration_cast<ControlClock::duration>(
            std::chrono::duration<double, std::milli>(ms));
    }

    // Port start-up: data idle, sprocket inactive, ready bit clear.
    void start() {
        port.port_write(0, engine.data ? 0x00 : 0xFF);
        const int v = port.port_read(2);
        port.port_write(2, engine.sprocket ? (v | 0x08) & 0xCA : (v | 0x04) & 0xC6);
    }

    void sprocket(bool active) {
        const int v = port.port_read(2);
        const bool bit2_set = active == engine.sprocket;  // else bit 3 set, bit 2 clear
        port.port_write(2, bit2_set ? (v | 0x04) & 0xC7 : (v | 0x08) & 0xCB);
    }

    void send(int code, const Timing& t = {}) {
        port.port_write(0, engine.data ? code : code ^ 0xFF);
        advance(t.overlap);
        sprocket(true);
        advance(t.on);
        sprocket(false);
        advance(t.rest);
        port.port_write(0, engine.data ? 0x00 : 0xFF);
        advance(t.off);
    }

    void send_text(std::string_view text, CodeSet set, const Timing& t = {}) {
        for (const unsigned char c : text) send(code_table()[set][c], t);
    }

    [[nodiscard]] std::vector<FindingKind> kinds() const {
        std::vector<FindingKind> found;
        for (const auto& finding : control.findings()) found.push_back(finding.kind);
        return found;
    }

    ControlClock::time_point now{};
    VirtualControl control;
    Polarity engine;
    VirtualPort port;
};

}  // namespace feedrite::testing
