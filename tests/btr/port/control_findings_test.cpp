#include "btr/port/control_findings.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/btr/port/control_bench.h"

namespace feedrite {
namespace {

using testing::Bench;
using Kinds = std::vector<FindingKind>;
using K = FindingKind;

void latch_then_change_data(Bench& b) {
    b.port.port_write(0, 0x41);
    b.advance(1);
    b.sprocket(true);
    b.advance(1);
    b.port.port_write(0, 0x42);
}

void hold_during_a_pulse_then_send(Bench& b) {
    b.port.port_write(0, 0x41);
    b.advance(1);
    b.sprocket(true);
    b.control.feed_hold();  // the character under way
    b.advance(1);
    b.sprocket(false);
    b.advance(5);
    b.send(0x42);  // one too many
}

TEST(ControlFindings, EachFaultGivesItsFinding) {
    struct Case {
        const char* name;
        std::function<void(Bench&)> run;
        Kinds expected;
    };
    const Case cases[] = {
        {"good timing", [](Bench& b) { b.send_text("G1", ISO_even); }, {}},
        {"short pulse", [](Bench& b) { b.send(0x41, {.on = 0.2}); }, {K::ShortSprocketPulse}},
        {"short gap",
         [](Bench& b) {
             b.send_text("G1", ISO_even, {0.35, 3, 0, 0});
         },
         {K::ShortSprocketGap}},
        {"short set-up", [](Bench& b) { b.send(0x41, {.overlap = 0.1}); }, {K::ShortDataSetup}},
        {"too fast",
         [](Bench& b) {
             b.send_text("G1", ISO_even, {0.4, 0.6, 0.6, 0.6});
         },
         {K::TooFast}},
        {"data changed while latched", latch_then_change_data, {K::DataChangedWhileLatched}},
        {"ISO parity", [](Bench& b) { b.send(0x43); }, {K::ParityError}},
        {"one character after feed hold",
         [](Bench& b) {
             b.control.feed_hold();
             b.send(0x41);
         },
         {}},
        {"two characters after feed hold",
         [](Bench& b) {
             b.control.feed_hold();
             b.send_text("AB", ISO_even);
         },
         {K::LateCharacter, K::SprocketWhileStopped, K::SprocketWhileStopped}},
        {"feed hold during a pulse",
         hold_during_a_pulse_then_send,
         {K::LateCharacter, K::SprocketWhileStopped, K::SprocketWhileStopped}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.start();
        bench.advance(10);
        c.run(bench);
        EXPECT_EQ(bench.kinds(), c.expected);
    }
}

TEST(ControlFindings, TextsNameTheCharacterTheMeasureAndTheLimit) {
    VirtualControlSettings settings;
    settings.code = EIA_RS244;
    settings.limits.min_sprocket_ms = 1.0;
    Bench bench(settings);
    bench.start();
    bench.advance(10);
    bench.send_text("G1", ISO_even, {.on = 0.75, .off = 3});  // 0x47 and 0xB1: even parity
    ASSERT_EQ(bench.kinds(), (Kinds{K::ParityError, K::ShortSprocketPulse, K::ParityError,
                                    K::ShortSprocketPulse}));
    EXPECT_EQ(bench.control.findings()[2].text, "character 2: parity error in code 0xB1");
    EXPECT_EQ(bench.control.findings()[3].text,
              "character 2: sprocket pulse 0.750 ms, shorter than 1.000 ms");
}

}  // namespace
}  // namespace feedrite
