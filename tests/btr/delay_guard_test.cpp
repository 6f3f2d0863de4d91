#include "btr/delay_guard.h"

#include <gtest/gtest.h>

#include "btr/character_output.h"
#include "btr/delay_figures.h"
#include "btr/port_start.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/scripted_clock.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::ScriptedClock;

// Every yield (every tenth pass) takes 0.1 ms of the scripted clock.
TEST(DelayGuard, RunsOnUntilTheSetTimeWithTheSameYields) {
    // count, set time, yields: passes 0, 10, 20, ... each yield once. 10 passes end at 0.1 ms:
    // on to pass 99; 100 passes already took 1 ms: nothing added; no count: the guard alone.
    const std::tuple<double, double, long> cases[] = {
        {10, 1.0, 10}, {100, 0.5, 10}, {0, 0.3, 3}, {0, 0, 0}};
    for (const auto& [count, set_ms, yields] : cases) {
        SCOPED_TRACE(count);
        testing::ScriptedHost host;
        ScriptedClock clock;
        host.at_every_yield = [&clock] { clock.advance_ms(0.1); };
        const double ms = guarded_delay(host, clock, count, set_ms);
        EXPECT_EQ(host.yields, yields);
        EXPECT_NEAR(ms, std::max(set_ms, 0.1 * yields), 1e-9);
        EXPECT_LE(clock.reads, 5) << "the clock is no per-pass cost";
    }
}

// The engine's delays: guarded with a clock and a set time, counts alone
// otherwise; the observer sees the count either way, the figures the length.
TEST(DelayGuard, EngineDelaysGuardOnlyWithClockAndSetTime) {
    using Case = std::tuple<bool, std::optional<double>, long>;  // clock, set time, yields
    const Case cases[] = {{true, 2.0, 20}, {true, std::nullopt, 1}, {false, 2.0, 1}};
    for (const auto& [with_clock, set_ms, yields] : cases) {
        EngineFixture f;
        ScriptedClock clock;
        DelayFigures figures;
        f.host.at_every_yield = [&clock] { clock.advance_ms(0.1); };
        if (with_clock) f.engine.clock = &clock;
        f.engine.figures = &figures;
        f.settings.delay_ms[static_cast<std::size_t>(DelayKind::sprocket_on)] = set_ms;
        busy_delay(f.engine, DelayKind::sprocket_on);  // count 3
        EXPECT_EQ(f.host.yields, yields);
        EXPECT_EQ(f.port.events, (std::vector<testing::PortEvent>{{'d', 0, 3}}));
        EXPECT_EQ(figures.stats(DelayKind::sprocket_on).median_ms.has_value(),
                  with_clock && set_ms.has_value());
    }
}

TEST(DelayFigures, MedianShortestRateAndTheBusyWarning) {
    DelayFigures figures;
    Clock::time_point t{};
    for (int i = 0; i < 150; ++i) {  // only the last 100 count
        figures.record(DelayKind::overlap, i < 50 ? 0.1 : 0.6 + 0.001 * (i % 3), 0.565, t);
        figures.character_started(t += std::chrono::microseconds(3400));
    }
    const DelayStats overlap = figures.stats(DelayKind::overlap);
    EXPECT_DOUBLE_EQ(*overlap.median_ms, 0.601);
    EXPECT_DOUBLE_EQ(*overlap.shortest_ms, 0.6);
    EXPECT_NEAR(*figures.characters_per_second(), 294.1, 0.1);
    EXPECT_EQ(timing_panel_text(figures, t), "on - spr - ovl 0.60 off - ms, 294 cps");
    for (int i = 0; i <= DelayFigures::busy_stretch; ++i)
        figures.record(DelayKind::sprocket_on, i == 0 ? 3.0 : 3.4, 2.2, t);
    EXPECT_EQ(timing_panel_text(figures, t), "PC too busy: sprocket on 3.40 ms, set 2.20");
    EXPECT_FALSE(figures.busy_warning(t + std::chrono::seconds(6)));
}

// Held at stop, the wait reads at full speed for 20 ms, then naps 1 ms
// between reads; run is seen at the first read after it returns.
TEST(IdleWait, NapsOnlyAfterTwentyMillisecondsAndSeesRunAtOnce) {
    EngineFixture f;
    ScriptedClock clock;
    f.engine.clock = &clock;
    f.port.registers[1] = 0xFF;  // stop: bit 7 set is pin 11 low
    f.host.at_every_yield = [&] {
        clock.advance_ms(0.5);
        if (ms_between({}, clock.at) >= 60) f.port.registers[1] = 0x7F;
    };
    ASSERT_TRUE(wait_for_run(f.engine));
    ASSERT_FALSE(clock.sleeps.empty());
    EXPECT_GT(clock.sleeps.front(), stop_wait_awake_ms);
    EXPECT_LE(clock.sleeps.front(), stop_wait_awake_ms + 1);
    EXPECT_LT(clock.sleeps.back(), 60.0);
    EXPECT_LE(ms_between({}, clock.at), 60.0 + 1.5 + 0.5);
}

}  // namespace
}  // namespace feedrite
