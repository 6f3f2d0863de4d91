// Port start-up, the waits for the control, character output and binary
// sending, on a recording port.
#include "btr/character_output.h"

#include <gtest/gtest.h>

#include "btr/binary_sender.h"
#include "btr/port_start.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::PortEvent;
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

TEST(CharacterOutput, BusyDelayYieldsOnEveryTenthPass) {
    const std::pair<double, long> cases[] = {{0, 0},  {1, 1},   {10, 1},   {11, 2},
                                             {25, 3}, {2.5, 1}, {10.5, 2}, {-3, 0}};
    for (const auto& [count, yields] : cases) {
        EngineFixture f;
        busy_delay(f.engine, count);
        EXPECT_EQ(f.host.yields, yields) << "count " << count;
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
    } waits[] = {
        {"Wait_for_FDT", Wait_for_FDT, false, 0, 0},
        {"character", [](Engine& e) { send_codes(e, "A"); }, true, 1, 0},
        // A binary file marks the sending before its first byte, never again.
        {"binary byte", [](Engine& e) { BTRsendbinary(e, "A"); }, true, 0, 1},
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
            EXPECT_EQ(f.host.messages,
                      testing::Messages(
                          2, {"You are currently in EDIT mode.\nPress RESET on the "
                              "CNC control, then\nclick END EDIT to resume DNC operation",
                              "Can't run DNC ..", MessageIcon::Critical, MessageButtons::Ok}));
            EXPECT_EQ(f.port.status_reads, 4);
            EXPECT_EQ(f.port.data_writes().size(), w.character ? 2u : 0u);
        }
    }
}

// Idle data, and the sprocket inactive with ready dropped (bit 0) under both
// polarities; the open before the writes is in the tape tool's trace test.
TEST(PortStart, WritesIdleDataAndAnInactiveSprocket) {
    const std::tuple<bool, bool, int, const char*> cases[] = {
        {true, true, 0xFF, "0:00 2:ca"},
        {false, false, 0x00, "0:ff 2:04"},
    };
    for (const auto& [data, sprocket, control, writes] : cases) {
        EngineFixture f;
        f.settings.Data_logic = data, f.settings.Sprocket_logic = sprocket;
        f.port.registers[2] = control;
        EXPECT_TRUE(port_start_up(f.port, f.settings).ok());
        EXPECT_EQ(f.port.writes(), writes);
    }
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

}  // namespace
}  // namespace feedrite
