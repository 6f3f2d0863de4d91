// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual port, the trace around it, and the virtual control at the far
// end of its cable, down to the engine clocking a block into it.

#include "sim/virtual_port.h"

#include <gtest/gtest.h>

#include <sstream>

#include "btr/character_output.h"
#include "btr/code_table.h"
#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"
#include "btr/port/tracing_port.h"
#include "btr/port_start.h"
#include "run/port_factory.h"
#include "sim/simulated_port.h"
#include "sim/virtual_control.h"
#include "tests/sim/control_bench.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

struct RecordingEnd final : CableEnd {
    std::vector<OutputPins> seen;
    bool pin11 = true;
    void on_pins(const OutputPins& pins) override { seen.push_back(pins); }
    bool pin11_high() override { return pin11; }
};

TEST(VirtualPort, PowersUpLikeAPcPortAndKeepsAllEightBits) {
    RecordingEnd end;
    VirtualPort port;
    port.connect(&end);
    port.port_write(0, 0x55);
    EXPECT_EQ(port.port_read(0), 0xFF) << "inert until opened";
    ASSERT_TRUE(port.port_open(0x378, 3).ok());
    EXPECT_EQ(port.port_read(0), 0x00) << "the early write never reached the register";
    EXPECT_EQ(port.port_read(1), 0x7F);
    EXPECT_EQ(port.port_read(2), 0xCC);
    port.port_write(0, 0x1CC);  // the low byte
    port.port_write(2, 0x133);
    EXPECT_EQ(port.port_read(0), 0xCC);
    EXPECT_EQ(port.port_read(2), 0x33) << "bits 4 and 5 too";
    EXPECT_EQ(end.seen.size(), 3u) << "told on connecting and after every write";
    // Control bits 0, 1 and 3 reach pins 1, 14 and 17 inverted, bit 2 pin 16 as it is.
    EXPECT_EQ(end.seen.front(), (OutputPins{0x00, true, true, true, false})) << "0xCC";
    EXPECT_EQ(end.seen.back(), (OutputPins{0xCC, false, false, false, true})) << "0x33";
    end.pin11 = false;
    EXPECT_EQ(port.port_read(1), 0xFF) << "status bit 7 is pin 11 inverted";
}

// The one factory: the command line's choice and the backend for it.
TEST(PortFactory, PicksTheBackendTheCommandLineAsksFor) {
    const PortSettings settings;  // the port reads the record it was made over: it must outlive it
    const auto made = [&settings](bool simulate, bool raw_io, bool hold = false) {
        return make_port(port_kind_for(simulate, raw_io, hold), settings);
    };
    EXPECT_TRUE(dynamic_cast<SimulatedPort*>(made(true, true).get()));
    EXPECT_TRUE(dynamic_cast<RawIoPort*>(made(false, true).get()));
    EXPECT_TRUE(dynamic_cast<PpdevPort*>(made(false, false).get()));
    // --hold: each control the port brings starts in Feed hold.
    for (const bool hold : {false, true}) {
        const auto port = made(true, false, hold);
        auto& simulated = dynamic_cast<SimulatedPort&>(*port);
        for (int open = 0; open < 2; ++open) {
            ASSERT_TRUE(port->port_open(0x378, 3).ok());
            EXPECT_EQ(simulated.control()->in_run(), !hold);
        }
    }
}

TEST(TracingPort, WritesOneLinePerEventAndPassesEveryCallOn) {
    VirtualPort port;
    std::ostringstream out;
    out << std::hex << std::uppercase;  // the caller's flags must not change the trace
    TracingPort trace(port, out);
    ASSERT_TRUE(trace.port_open(888, 3).ok());
    trace.port_write(0, 0x1A5);
    trace.port_write(2, (trace.port_read(2) | 0x08) & 0xCA);
    for (const double count : {0.0, 1.0, 0.25, 2.0001, -4.0, 123456789.0}) trace.on_delay(count);
    EXPECT_EQ(trace.port_read(1), 0x7F);
    EXPECT_EQ(out.str(),
              "open 888 3\nwrite 0 a5\nread 2 cc\nwrite 2 c8\n"
              "delay 0\ndelay 1\ndelay 1\ndelay 3\ndelay 0\ndelay 123456789\nread 1 7f\n");
    EXPECT_EQ(port.port_read(2), 0xC8) << "passed on";
}

using testing::Bench;
using testing::Timing;
using Bytes = std::vector<std::uint8_t>;
using Kinds = std::vector<FindingKind>;
using K = FindingKind;

// Under a mismatched polarity the control latches the idle data on the sender's
// inactive edge, then each character inverted.
TEST(VirtualControl, LatchesOnTheActiveEdgeUnderItsOwnPolarity) {
    const std::string_view text = "%\nG01 X-1.5\n";
    for (const bool data : {true, false})
        for (const bool sprocket : {true, false})
            for (const bool matching : {true, false}) {
                SCOPED_TRACE(::testing::Message() << data << sprocket << matching);
                Bench bench({.Data_logic = data, .Sprocket_logic = sprocket, .limits = {}},
                            data == matching, sprocket == matching);
                bench.send_text(text);
                const int mask = matching ? 0x00 : 0xFF;
                Bytes expected = matching ? Bytes{} : Bytes{0xFF};
                for (const unsigned char c : text)
                    expected.push_back(code_table()[ISO_even][c] ^ mask);
                EXPECT_EQ(bench.control.bytes(), expected);
                EXPECT_EQ(bench.kinds().empty(), matching);
            }
}

// The rate the timing bench reports; each character's own figures are checked
// through the monitor.
TEST(VirtualControl, RateRunsFromTheFirstLatchToTheLast) {
    Bench bench;
    bench.send_text("N10", ISO_even, {.off = 1.7});  // 5 ms each
    EXPECT_NEAR(*characters_per_second(bench.control.characters()), 200.0, 1e-6);
}

TEST(ControlFindings, EachFaultGivesItsFinding) {
    const Kinds late = {K::LateCharacter, K::SprocketWhileStopped, K::SprocketWhileStopped};
    const struct {
        const char* name;
        bool feed_hold;
        const char* codes;  // 'A', 'B', 'G': even parity; 'C': odd
        Timing t;
        Kinds expected;
        CodeSet code = ISO_even;
        double min_sprocket_ms = 0.5;
    } cases[] = {
        // clang-format off
        {"good timing", false, "GA", {}, {}},
        {"short pulse", false, "A", {.on = 0.75}, {K::ShortSprocketPulse}, ISO_even, 1.0},
        {"short gap", false, "GA", {0.35, 3, 0, 0}, {K::ShortSprocketGap}},
        {"short set-up", false, "A", {.overlap = 0.1}, {K::ShortDataSetup}},
        {"too fast", false, "GA", {0.4, 0.6, 0.6, 0.6}, {K::TooFast}},
        {"ISO even parity", false, "AC", {}, {K::ParityError}},
        {"EIA odd parity", false, "G", {}, {K::ParityError}, EIA_RS244},
        {"one character after feed hold", true, "A", {}, {}},
        {"two characters after feed hold", true, "AB", {}, late},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench({.code = c.code, .limits = {.min_sprocket_ms = c.min_sprocket_ms}});
        if (c.feed_hold) bench.control.feed_hold();
        for (const char code : std::string_view(c.codes)) bench.send(code, c.t);
        EXPECT_EQ(bench.kinds(), c.expected);
    }
    Bench changed, held;
    changed.latch(0x41);
    changed.put(0x42);
    EXPECT_EQ(changed.kinds(), Kinds{K::DataChangedWhileLatched});
    held.latch(0x41);
    held.control.feed_hold();  // the character under way
    held.advance(3);
    held.sprocket(false);
    held.send(0x42);  // one too many
    EXPECT_EQ(held.kinds(), late);
}

// The window changes the control's settings while characters flow.
TEST(VirtualControl, NewSettingsApplyFromTheNextEdge) {
    Bench bench;
    bench.send('G');
    VirtualControlSettings settings = bench.control.settings();
    settings.Data_logic = false;
    bench.control.set_settings(settings);
    bench.send('G');  // a new code set: ControlMonitor's AWrongCodeSetOnTheControl...
    EXPECT_EQ(bench.control.bytes(), (Bytes{0x47, 0xB8})) << "read inverted";

    settings.RunStop_logic = false;
    bench.control.set_settings(settings);
    EXPECT_EQ(bench.port.port_read(1), 0xFF) << "in run, yet pin 11 now reads as stop";
    EXPECT_EQ(bench.control.edges().back().pin, 11);
    EXPECT_TRUE(bench.control.in_run());

    // The resting sprocket now counts as active; the latching under the other
    // polarity: LatchesOnTheActiveEdgeUnderItsOwnPolarity.
    settings.Sprocket_logic = false;
    bench.control.set_settings(settings);
    EXPECT_EQ(bench.control.characters().size(), 2u) << "a change of polarity latches nothing";
}

// Keeping the character under way (forget_settled): ControlMonitor's
// ACharacterUnderWayIsCountedOnceAndMeasuredWhenComplete.
TEST(VirtualControl, ForgettingTheRecordKeepsChecksAndNumbers) {
    Bench bench;
    bench.send('G', {0.4, 0.6, 0.6, 0.6});
    bench.control.clear_record();
    bench.latch('A', 0.4);
    EXPECT_EQ(bench.kinds(), Kinds{K::TooFast}) << "measured against the forgotten one";
    bench.advance(0.2);
    bench.control.clear_record();
    bench.sprocket(false);
    EXPECT_EQ(bench.kinds(), Kinds{K::ShortSprocketPulse}) << "checked after the clear";
    EXPECT_EQ(bench.control.findings()[0].text,
              "character 2: sprocket pulse 0.200 ms, shorter than 0.500 ms");
}

// Pin 11 under the other polarity: NewSettingsApplyFromTheNextEdge.
TEST(RunScript, WithdrawsRunUntilTheStopRunsOutOrCycleStart) {
    Bench bench;
    const int run = 0x7F, stop = 0xFF;  // status bit 7 is pin 11 inverted
    bench.control.set_script({.stop_after = 2, .stop_ms = 10, .repeat = true});
    bench.send_text("G1");
    EXPECT_EQ(bench.port.port_read(1), stop) << "after the second character";
    bench.advance(20);
    EXPECT_EQ(bench.port.port_read(1), run);
    bench.send_text("X2");
    EXPECT_EQ(bench.port.port_read(1), stop) << "the script repeats";
    bench.control.set_script({.stop_after = 1});
    bench.send_text("Y");
    bench.advance(1000);
    EXPECT_EQ(bench.port.port_read(1), stop) << "until cycle start";
    bench.control.cycle_start();
    bench.send_text("Z1");
    EXPECT_EQ(bench.port.port_read(1), run) << "the script is spent";
    EXPECT_TRUE(bench.kinds().empty()) << "each stop came with a character under way";
}

// The control judges the device by the device's own set times: each limit is
// the time the device's sequence gives that step; its own fields can still ask
// for more. The findings themselves: ControlFindings.
TEST(VirtualControl, LimitsFollowTheDevicesSetTimes) {
    struct Case {
        const char* name;
        double on, sprocket, overlap, off;
        bool async;
        TimingLimits expected;
    } cases[] = {
        {"Fanuc", 3.33, 2.2, .565, 0, false, {2.2, 1.13, .565, 330}},
        {"Yasnac", 4.0, 1.0, .2, 1.0, false, {1.0, 4.0, .2, 330}},
        {"P & W", 1.8, 2.21, .205, 0, true, {4.42, 2.21, .205, 330}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortSettings device;
        device.delay_ms = {c.on, c.sprocket, c.overlap, c.off, 0.0, std::nullopt};
        device.Remex_async = c.async;
        device.speed_cps = 300;
        const TimingLimits limits = device_limits(device);
        EXPECT_NEAR(limits.min_sprocket_ms, c.expected.min_sprocket_ms, 1e-9);
        EXPECT_NEAR(limits.min_gap_ms, c.expected.min_gap_ms, 1e-9);
        EXPECT_NEAR(limits.min_setup_ms, c.expected.min_setup_ms, 1e-9);
        EXPECT_NEAR(limits.max_cps, c.expected.max_cps, 1e-9);
    }
    EXPECT_EQ(device_limits(PortSettings{}).min_sprocket_ms, TimingLimits{}.min_sprocket_ms);
    Bench stricter({.limits = device_limits(PortSettings{}), .own = {0, 0, 1.0, 0}});
    stricter.send('G', {.overlap = 0.9});
    EXPECT_EQ(stricter.kinds(), Kinds{K::ShortDataSetup});
}

// The sample programs run ISO and EIA on positive lines without Remex; here
// the other sequence and polarity, with the control wired to match.
TEST(VirtualChain, TheControlReadsARemexDeviceOnNegativeLines) {
    testing::EngineFixture f;
    f.settings.BTRcode = EIA_RS244, f.settings.BTReob = "\n", f.settings.Remex_async = true;
    f.settings.Data_logic = f.settings.Sprocket_logic = false;
    VirtualControl control(VirtualControlSettings::matching(f.settings));
    VirtualPort port;
    port.connect(&control);
    Engine engine{f.state, f.settings, port, f.host, f.view};
    ASSERT_TRUE(port_start_up(port, f.settings).ok());
    BTRsendline(engine, "N10 G1 X-2.5 (CUT)", true, false);
    std::string read;
    for (const LatchedCharacter& l : control.characters())
        if (const auto character = decode_character(l.code, EIA_RS244)) read += *character;
    EXPECT_EQ(read, "N10 G1 X-2.5 (CUT)\n");
}

}  // namespace
}  // namespace feedrite
