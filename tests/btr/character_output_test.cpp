// SPDX-License-Identifier: GPL-3.0-or-later
// Port start-up, the waits for the control, character output with its
// delays and binary sending, on a recording port.
#include "btr/character_output.h"

#include <gtest/gtest.h>

#include "btr/binary_sender.h"
#include "btr/delay_figures.h"
#include "btr/delay_guard.h"
#include "btr/port_start.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/scripted_clock.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::PortEvent;
using testing::ScriptedClock;
using Events = std::vector<PortEvent>;

// The events of one character after its wait, written bit by bit from what each
// signal means on the connector, not from the engine's formulas. Steps: D data,
// I idle data, S/s sprocket active/inactive, R/r ready on/off, a digit the
// delay BTRdelayN.
Events expected_character(const PortSettings& s, int c, int& control) {
    const double delays[] = {0,           s.BTRdelay1, s.BTRdelay2, s.BTRdelay3,
                             s.BTRdelay4, s.BTRdelay5, s.BTRdelay6};
    Events out;
    for (const char step : std::string(s.Remex_async ? "R2s3I1D3S2r4" : "D3S2s6I4")) {
        if (step >= '0' && step <= '9') {
            out.push_back({'d', 0, delays[step - '0']});
        } else if (step == 'D' || step == 'I') {
            const int v = step == 'D' ? c : 0;
            out.push_back({'w', 0, double(s.Data_logic ? v : 255 - v)});
        } else {
            out.push_back({'r', 2, double(control)});
            if (step == 'R' || step == 'r')  // ready is bit 0
                control = (step == 'R') == s.Ready_logic ? control & ~1 : control | 1;
            else  // bit 2 (pin 16) and bit 3 (pin 17, inverted); bits 4, 5 low; Remex drops ready
                control = (control & (s.Remex_async ? 0xC2 : 0xC3)) |
                          ((step == 'S') == s.Sprocket_logic ? 0x04 : 0x08);
            out.push_back({'w', 2, double(control)});
        }
    }
    return out;
}

TEST(CharacterOutput, RegisterSequenceForEveryLogicCombination) {
    for (int combo = 0; combo < 32; ++combo) {
        SCOPED_TRACE(::testing::Message() << "combination " << combo);
        EngineFixture f;
        PortSettings& s = f.settings;
        s.Data_logic = (combo & 1) != 0, s.Sprocket_logic = (combo & 2) != 0;
        s.RunStop_logic = (combo & 4) != 0, s.Ready_logic = (combo & 8) != 0;
        s.Remex_async = (combo & 16) != 0, s.BTRcode = 2, s.BTRdelay5 = 4;
        const int run = s.RunStop_logic ? 0x7F : 0x80;
        int control = 0xF2;  // bits 1, 4, 5, 6, 7 set: proves every mask
        f.port.registers[2] = control, f.port.registers[1] = run;
        send_codes(f.engine, "1");
        Events expected{{'r', 1, double(run)}};
        for (const PortEvent& e : expected_character(s, '1', control)) expected.push_back(e);
        expected.push_back({'d', 0, 4});
        EXPECT_EQ(f.port.events, expected);
        EXPECT_EQ(f.port.registers[2], control);
    }
}

// Known code sets are read through the table (end to end in the tape tool's
// raw-byte test); a code set without a column gives nothing but 0x00.
TEST(CharacterOutput, AnUnknownCodeSetGivesZeros) {
    for (const int code_set : {7, -1}) {
        std::string block = "AB";
        convert_codes(block, code_set);
        EXPECT_EQ(block, std::string(2, '\0')) << "code set " << code_set;
    }
}

TEST(CharacterOutput, AnEmptyBlockStillWaitsBetweenBlocks) {
    EngineFixture f;
    f.settings.BTRdelay5 = 7;
    send_codes(f.engine, "");
    EXPECT_EQ(f.port.events, (Events{{'d', 0, 7}}));
}

// The waits: Wait_for_FDT before a block, and the one before each character of
// a block or byte of a binary file. One yield and one status read per pass, a
// reset seen before the read, the edit-mode message on every pass that sees run.
TEST(Waits, PassesResetsAndEditMode) {
    const struct {
        const char* name;
        void (*wait)(Engine&);
        bool character;  // holds the stall timer, writes the character
        int sending_after_stall, sending_after_reset;
        bool cut;  // edit mode ends the block at once: its tail is never sent
    } waits[] = {
        {"Wait_for_FDT", Wait_for_FDT, false, 0, 0, false},
        {"character", [](Engine& e) { send_codes(e, "A"); }, true, 1, 0, true},
        // A binary file marks the sending before its first byte, never again.
        {"binary byte", [](Engine& e) { BTRsendbinary(e, "A"); }, true, 0, 1, false},
    };
    for (const auto& w : waits) {
        SCOPED_TRACE(w.name);
        {
            EngineFixture f;
            f.settings.RunStop_logic = false;  // run is bit 7 set
            f.settings.BTRdelay2 = f.settings.BTRdelay3 = f.settings.BTRdelay4 = 0;
            f.settings.BTRdelay6 = 0;  // no yields but the wait's
            f.state.Sending_data = 1;
            f.port.status = [](int n) { return n < 5 ? 0x7F : 0x80; };
            f.host.at_yield(2, [&] { f.state.Sending_data = 0; });  // the stall timer fired
            w.wait(f.engine);
            EXPECT_EQ(f.port.status_reads, 5);
            EXPECT_EQ(f.host.yields, 5);
            // Switched on once over the stopped passes, off again on run.
            EXPECT_EQ(f.host.stall_timer_starts, w.character ? 1 : 0);
            EXPECT_FALSE(f.host.stall_timer);
            EXPECT_EQ(f.state.Sending_data, w.sending_after_stall);
            EXPECT_EQ(f.host.wait_pointer, w.sending_after_stall == 1);
        }
        {
            EngineFixture f;
            f.port.registers[1] = 0x80;  // control stopped
            f.host.at_yield(3, [&] { f.state.DNC_reset = DNC_restart; });
            w.wait(f.engine);
            EXPECT_EQ(f.host.yields, 3);
            EXPECT_EQ(f.port.events, (Events(2, {'r', 1, 0x80})));  // no delay between blocks
            EXPECT_EQ(f.state.Sending_data, w.sending_after_reset);
            EXPECT_EQ(f.host.stall_timer, w.character);  // left on after an early return
        }
        {
            EngineFixture f;
            f.state.Edit_mode = true;
            // Run on passes 1 and 2, stopped on 3, run again on 4 with edit mode ended.
            f.port.status = [](int n) { return n == 3 ? 0x80 : 0x00; };
            f.host.at_yield(4, [&] { f.state.Edit_mode = false; });
            w.wait(f.engine);
            // Once per stop, however many passes see it.
            EXPECT_EQ(
                f.host.messages,
                testing::Messages(w.cut ? 0 : 1,
                                  {"You are currently in EDIT mode.\nPress RESET on the "
                                   "CNC control, then\nclick END EDIT to resume DNC operation",
                                   "Can't run DNC ..", MessageIcon::Critical, MessageButtons::Ok}));
            EXPECT_EQ(f.state.tape_cut, w.cut);
            EXPECT_EQ(f.port.status_reads, w.cut ? 0 : 4);
            EXPECT_EQ(f.port.data_writes().size(), w.character && !w.cut ? 2u : 0u);
        }
    }
}

// Idle data, and the sprocket inactive with ready dropped (bit 0), here on
// negative lines; on positive lines, after the open, in the tape tool's trace
// test. The masks under both polarities: the Remex rows of RegisterSequence...
TEST(PortStart, WritesIdleDataAndAnInactiveSprocket) {
    EngineFixture f;
    f.settings.Data_logic = f.settings.Sprocket_logic = false;
    f.port.registers[2] = 0xFF;
    EXPECT_TRUE(port_start_up(f.port, f.settings).ok());
    EXPECT_EQ(f.port.writes(), "0:ff 2:c6");
}

// The count shows before each byte's wait; no delay between blocks. (The bytes
// going out unconverted: the send driver's and the tape tool's binary tests.)
TEST(BinarySender, TheCountShowsBeforeEachByteAndAnEmptyFileTouchesNothing) {
    EngineFixture f;
    f.settings.BTRdelay5 = 99;
    f.view.set_text("Ready");
    BTRsendbinary(f.engine, "");
    EXPECT_TRUE(f.port.events.empty() && f.view.text() == "Ready");
    std::string shown;
    f.port.status = [&](int) { return shown += f.view.text() + "|", 0x00; };
    BTRsendbinary(f.engine, "AB");
    EXPECT_EQ(shown, "Bytes sent:  1|Bytes sent:  2|");
    for (const auto& e : f.port.events) EXPECT_FALSE(e.kind == 'd' && e.value == 99);
}

// Every yield (every tenth pass) takes 0.1 ms of the scripted clock.
TEST(DelayGuard, TheClockEndsTheDelayOnATenthPass) {
    // count, set time, yields: passes 0, 10, 20, ... each yield once. 10 passes end at 0.1 ms:
    // on to pass 90; 100 passes would take 1 ms: the clock ends them at 0.5; no count: the
    // clock alone; no set time: the count alone, a part pass made whole. 3 ms of 300 passes
    // naps 2.5 ms after pass 0's yield, then makes passes 260 to 290 only.
    const std::tuple<double, double, long> cases[] = {
        {10, 1.0, 10}, {100, 0.5, 5}, {0, 0.3, 3},  {0, 0, 0},   {1, 0, 1},
        {10, 0, 1},    {11, 0, 2},    {25, 0, 3},   {2.5, 0, 1}, {10.5, 0, 2},
        {-3, 0, 0},    {300, 3.0, 5}, {1e6, 0.2, 2}};
    for (const auto& [count, set_ms, yields] : cases) {
        SCOPED_TRACE(count);
        testing::ScriptedHost host;
        ScriptedClock clock;
        host.at_every_yield = [&clock] { clock.advance_ms(0.1); };
        const double ms = guarded_delay(host, clock, count, set_ms);
        EXPECT_EQ(host.yields, yields);
        EXPECT_NEAR(ms, set_ms > 0 ? set_ms : 0.1 * yields, 1e-9);
        EXPECT_LE(clock.reads, yields + 4) << "the clock is read on the tenth passes only";
        EXPECT_EQ(clock.sleeps,
                  set_ms > nap_threshold_ms ? std::vector<double>{0.1} : std::vector<double>{});
    }
    // A set time between two ticks of the clock ends on the tick after it.
    testing::ScriptedHost host;
    ScriptedClock clock;
    host.at_every_yield = [&clock] { clock.advance_ms(0.1); };
    EXPECT_NEAR(guarded_delay(host, clock, 100, 0.5000001), 0.6, 1e-9);
}

// A nap that woke late leaves more to spin next time, so no nap ends past
// its delay's end; the panel tells the lateness seen.
TEST(DelayGuard, NapsLeaveTheLatenessSeen) {
    testing::ScriptedHost host;
    ScriptedClock clock;
    DelayFigures figures;
    host.at_every_yield = [&clock] { clock.advance_ms(0.01); };
    clock.late_ms = 0.8;  // past the first nap's margin of 0.5 ms
    // Two yields (pass 0's, and the one the nap ends at) and 0.3 ms over.
    EXPECT_NEAR(guarded_delay(host, clock, 0, 3.0, &figures), 3.0 + 0.3 + 0.02, 1e-9);
    EXPECT_NEAR(*figures.nap_lateness_ms(), 0.8, 1e-9);
    const double before = ms_between({}, clock.at);
    EXPECT_NEAR(guarded_delay(host, clock, 0, 3.0, &figures), 3.0, 0.011);
    EXPECT_NEAR(clock.sleeps.back() - before, 0.01, 1e-9);  // after pass 0's yield
    EXPECT_NE(timing_panel_detail(figures).find("0.80 ms late"), std::string::npos);

    DelayFigures steady;  // one wake-up stalled by a burst of load is the odd one out
    for (int i = 0; i < 100; ++i) steady.nap_woke(i == 50 ? 5.0 : 0.1);
    EXPECT_NEAR(steady.nap_margin_ms(), 0.1 * 1.25 + 0.05, 1e-9);
    EXPECT_NEAR(*steady.nap_lateness_ms(), 5.0, 1e-9);
}

// The engine's delays: guarded with a clock and a set time, counts alone
// otherwise; the observer sees the count either way, the figures the length.
TEST(DelayGuard, EngineDelaysGuardOnlyWithClockAndSetTime) {
    using Case = std::tuple<bool, std::optional<double>, long>;  // clock, set time, yields
    const Case cases[] = {{true, 1.4, 14}, {true, std::nullopt, 1}, {false, 2.0, 1}};
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
    // The history keeps the run's shortest, not only that of the last 100.
    std::string kept;
    for (const TimingFigure& f : timing_figures(figures))
        kept += f.name + "=" + std::to_string(f.value) + ";";
    EXPECT_EQ(kept,
              "overlap median ms=0.601000;overlap shortest ms=0.100000;overlap set ms=0.565000;"
              "characters per second=294.117647;");
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
