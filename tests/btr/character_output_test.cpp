// Port start-up, the waits for the control, character output and binary
// sending, on a recording port.
#include "btr/character_output.h"

#include <gtest/gtest.h>

#include "btr/binary_sender.h"
#include "btr/port_start.h"
#include "btr/signals.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::Messages;
using testing::PortEvent;

// Shown on every pass of a wait that sees run while the program is being edited.
const testing::RecordedMessage edit_mode_message{
    "You are currently in EDIT mode.\nPress RESET on the CNC control, then\n"
    "click END EDIT to resume DNC operation",
    "Can't run DNC ..", MessageIcon::Critical, MessageButtons::Ok};

// The model of the lines, written bit by bit from what each signal means on
// the connector, not from the engine's formulas.
struct LineModel {
    bool data_pos, sprocket_pos, run_pos, ready_pos;

    int data(int c) const { return data_pos ? c : 255 - c; }
    int idle() const { return data_pos ? 0 : 255; }
    // Sprocket = bit 2 (pin 16) and bit 3 (pin 17, inverted) together; bits 4
    // and 5 forced low; `keep_ready` says whether bit 0 survives.
    int sprocket(int v, bool active, bool keep_ready) const {
        const bool high = active == sprocket_pos;
        return (v & (keep_ready ? 0xC3 : 0xC2)) | (high ? 0x04 : 0x08);
    }
    int ready(int v, bool on) const { return on == ready_pos ? (v & ~1) : (v | 1); }
    int run_status() const { return run_pos ? 0x7F : 0x80; }
};

// Steps of one character after the wait, as events, with the control register
// followed through the writes.
std::vector<PortEvent> expected_character(const LineModel& m, const PortSettings& s, int c,
                                          int& control) {
    std::vector<PortEvent> out;
    const auto write = [&](int offset, int value) {
        out.push_back({'w', offset, double(value)});
        if (offset == 2) control = value;
    };
    const auto read_control = [&] { out.push_back({'r', 2, double(control)}); };
    const auto delay = [&](double n) { out.push_back({'d', 0, n}); };
    if (!s.Remex_async) {
        write(0, m.data(c));
        delay(s.BTRdelay3);
        read_control();
        write(2, m.sprocket(control, true, true));
        delay(s.BTRdelay2);
        read_control();
        write(2, m.sprocket(control, false, true));
        delay(s.BTRdelay6);
        write(0, m.idle());
        delay(s.BTRdelay4);
        return out;
    }
    read_control();
    write(2, m.ready(control, true));
    delay(s.BTRdelay2);
    read_control();
    write(2, m.sprocket(control, false, false));
    delay(s.BTRdelay3);
    write(0, m.idle());
    delay(s.BTRdelay1);
    write(0, m.data(c));
    delay(s.BTRdelay3);
    read_control();
    write(2, m.sprocket(control, true, false));
    delay(s.BTRdelay2);
    read_control();
    write(2, m.ready(control, false));
    delay(s.BTRdelay4);
    return out;
}

TEST(CharacterOutput, RegisterSequenceForEveryLogicCombination) {
    for (int combo = 0; combo < 32; ++combo) {
        EngineFixture f;
        const LineModel model{(combo & 1) != 0, (combo & 2) != 0, (combo & 4) != 0,
                              (combo & 8) != 0};
        PortSettings& s = f.settings;
        s.Data_logic = model.data_pos, s.Sprocket_logic = model.sprocket_pos;
        s.RunStop_logic = model.run_pos, s.Ready_logic = model.ready_pos;
        s.Remex_async = (combo & 16) != 0, s.BTRcode = 2, s.BTRdelay5 = 4;
        SCOPED_TRACE(::testing::Message() << "combination " << combo);
        int control = 0xF2;  // bits 1, 4, 5, 6, 7 set: proves every mask
        f.port.registers[2] = control;
        f.port.registers[1] = model.run_status();
        send_codes(f.engine, "1");
        std::vector<PortEvent> expected{{'r', 1, double(model.run_status())}};
        const auto character = expected_character(model, f.settings, '1', control);
        expected.insert(expected.end(), character.begin(), character.end());
        expected.push_back({'d', 0, 4});
        EXPECT_EQ(f.port.events, expected);
        EXPECT_EQ(f.port.registers[2], control);
    }
}

TEST(CharacterOutput, BusyDelayYieldsOnEveryTenthPass) {
    struct Case {
        double count;
        long yields;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{10, 1}, Case{11, 2}, Case{25, 3},
                         Case{2.5, 1}, Case{10.5, 2}, Case{-3, 0}}) {
        EngineFixture f;
        busy_delay(f.engine, c.count);
        EXPECT_EQ(f.host.yields, c.yields) << "count " << c.count;
        EXPECT_EQ(f.port.events, (std::vector<PortEvent>{{'d', 0, c.count}}));
    }
}

TEST(CharacterOutput, CodeConversion) {
    struct Case {
        int code_set;
        std::string in, out;
    };
    const Case cases[] = {
        {3, "G1\n\r", std::string("\x67\x01\x80\x00", 4)},
        {3, "a", "\x61"},
        {0, "AC\r\n\xE9", std::string("\x41\xC3\x8D\x0A\x00", 5)},
        {7, "AB", std::string(2, '\0')},  // no column: nothing but 0x00
        {-1, "A", std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        std::string block = c.in;
        convert_codes(block, c.code_set);
        EXPECT_EQ(block, c.out) << "code set " << c.code_set;
    }
}

TEST(CharacterOutput, EmptyBlockStillWaitsBetweenBlocksAndMarksSending) {
    EngineFixture f;
    f.settings.BTRdelay5 = 7;
    send_codes(f.engine, "");
    EXPECT_EQ(f.port.events, (std::vector<PortEvent>{{'d', 0, 7}}));
    EXPECT_EQ(f.state.Sending_data, 1);
    EXPECT_TRUE(f.host.wait_pointer);
}

TEST(CharacterOutput, ResetDuringTheWaitReturnsWithoutWriting) {
    EngineFixture f;
    f.port.registers[1] = 0x80;  // control stopped
    f.host.at_yield(3, [&] { f.state.DNC_reset = DNC_restart; });
    send_codes(f.engine, "AB");
    for (const PortEvent& e : f.port.events) EXPECT_EQ(e.kind, 'r');  // no delay between blocks
    EXPECT_EQ(f.state.Sending_data, 0);
    EXPECT_TRUE(f.host.stall_timer);  // left on after an early return
}

TEST(CharacterOutput, ResetDuringACharacterTakesEffectBeforeTheNext) {
    EngineFixture f;
    // The reset arrives in a yield of the first character's delays.
    f.host.at_yield(2, [&] { f.state.DNC_reset = DNC_restart; });
    send_codes(f.engine, "AB");
    EXPECT_EQ(f.port.data_writes(), (std::vector<int>{'A', 0x00}));
}

TEST(CharacterOutput, StallTimerRunsOnlyWhileWaitingAndIsNotRestarted) {
    EngineFixture f;
    int reads = 0;
    f.port.status = [&](int) { return ++reads < 4 ? 0x80 : 0x00; };  // stopped for 3 passes
    send_codes(f.engine, "A");
    EXPECT_EQ(f.host.stall_timer_starts, 1);  // switched on once, kept on over 4 passes
    EXPECT_FALSE(f.host.stall_timer);
}

TEST(CharacterOutput, EditModeRefusesToSendWhileTheControlRuns) {
    EngineFixture f;
    f.state.Edit_mode = true;
    f.host.at_yield(3, [&] { f.state.Edit_mode = false; });
    send_codes(f.engine, "A");
    EXPECT_EQ(f.host.messages, Messages(2, edit_mode_message));  // once per pass that saw run
    EXPECT_EQ(f.port.data_writes().front(), 'A');
}

TEST(CharacterOutput, AStallClearedSendingDataAndTheNextBlockSetsItAgain) {
    EngineFixture f;
    f.state.Sending_data = 1;
    f.port.status = [&](int n) {
        if (n == 2) f.state.Sending_data = 0;  // the stall timer fired meanwhile
        return n < 3 ? 0x80 : 0x00;
    };
    send_codes(f.engine, "A");
    EXPECT_EQ(f.state.Sending_data, 1);
    EXPECT_TRUE(f.host.wait_pointer);
}

TEST(PortStart, WritesIdleDataAndAnInactiveSprocket) {
    struct Case {
        bool data, sprocket;
        int control_before;
        const char* writes;
    };
    const Case cases[] = {
        {true, true, 0xFF, "0:00 2:ca"},
        {true, false, 0xFF, "0:00 2:c6"},
        {false, true, 0x00, "0:ff 2:08"},
        {false, false, 0x00, "0:ff 2:04"},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        f.settings.Data_logic = c.data, f.settings.Sprocket_logic = c.sprocket;
        f.port.registers[2] = c.control_before;
        EXPECT_TRUE(port_start_up(f.port, f.settings).ok());
        EXPECT_EQ(f.port.events.front(), (PortEvent{'o', 3, 888}));
        EXPECT_EQ(f.port.writes(), c.writes);
    }
}

TEST(PortStart, AFailedOpenWritesNothing) {
    EngineFixture f;
    f.port.open_result = {PortErrorCode::PermissionDenied, "no"};
    EXPECT_EQ(port_start_up(f.port, f.settings).code, PortErrorCode::PermissionDenied);
    EXPECT_EQ(f.port.writes(), "");
}

TEST(WaitForFDT, ReturnsAtOnceOnAResetRequestWithoutReadingThePort) {
    EngineFixture f;
    f.state.DNC_reset = DNC_restart;
    Wait_for_FDT(f.engine);
    EXPECT_TRUE(f.port.events.empty());
    EXPECT_EQ(f.host.yields, 1);
}

TEST(WaitForFDT, PollsOncePerYieldUntilRun) {
    EngineFixture f;
    f.settings.RunStop_logic = false;  // run is bit 7 set
    f.port.status = [](int n) { return n < 5 ? 0x7F : 0x80; };
    Wait_for_FDT(f.engine);
    EXPECT_EQ(f.port.status_reads, 5);
    EXPECT_EQ(f.host.yields, 5);
    EXPECT_FALSE(f.host.stall_timer);  // only the character wait uses the stall timer
}

TEST(WaitForFDT, EditModeShowsTheMessageOnEveryPassThatSeesRun) {
    EngineFixture f;
    f.state.Edit_mode = true;
    // Run on passes 1 and 2, stopped on 3, run again on 4 with edit mode ended.
    f.port.status = [](int n) { return n == 3 ? 0x80 : 0x00; };
    f.host.at_yield(4, [&] { f.state.Edit_mode = false; });
    Wait_for_FDT(f.engine);
    EXPECT_EQ(f.host.messages, Messages(2, edit_mode_message));
    EXPECT_EQ(f.port.status_reads, 4);
}

TEST(BinarySender, BytesGoOutAsTheyAreWithTheCountShownBeforeEach) {
    EngineFixture f;
    f.settings.BTRcode = 3;     // ignored: no code conversion
    f.settings.BTRdelay5 = 99;  // ignored: no blocks
    f.view.set_text("Ready");
    std::vector<std::string> shown;
    f.port.status = [&](int) {
        shown.push_back(f.view.text());
        return 0x00;
    };
    BTRsendbinary(f.engine, std::string("\x0D\xE9\x00", 3));
    EXPECT_EQ(f.port.data_writes(), (std::vector<int>{0x0D, 0, 0xE9, 0, 0x00, 0}));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"Bytes sent:  1", "Bytes sent:  2", "Bytes sent:  3"}));
    EXPECT_EQ(f.state.Sending_data, 1);
    for (const auto& e : f.port.events) EXPECT_FALSE(e.kind == 'd' && e.value == 99);
}

TEST(BinarySender, AnEmptyFileTouchesNothingAndNegativeDataLogicInverts) {
    EngineFixture f;
    f.settings.Data_logic = false;
    f.view.set_text("Ready to send binary file");
    BTRsendbinary(f.engine, "");
    EXPECT_TRUE(f.port.events.empty());
    EXPECT_EQ(f.view.text(), "Ready to send binary file");
    BTRsendbinary(f.engine, "\x0D");
    EXPECT_EQ(f.port.data_writes(), (std::vector<int>{0xF2, 0xFF}));
}

TEST(BinarySender, ResetDuringAStallStopsBeforeTheNextByte) {
    EngineFixture f;
    f.port.status = [&](int n) {
        if (n >= 2) {
            f.state.Sending_data = 0;  // the stall timer fired
            if (n == 4) f.state.DNC_reset = DNC_restart;
            return 0x80;
        }
        return 0x00;
    };
    BTRsendbinary(f.engine, "AB");
    EXPECT_EQ(f.port.data_writes(), (std::vector<int>{'A', 0}));
    EXPECT_EQ(f.state.Sending_data, 0);  // a binary transmission never sets it back
}

TEST(BinarySender, RemexBytesStartWithReadyOnAndEndWithReadyOff) {
    EngineFixture f;
    f.settings.Remex_async = true;
    f.port.registers[2] = 0xCB;  // ready off (bit 0 set)
    BTRsendbinary(f.engine, "AB");
    std::vector<int> controls;
    for (const auto& e : f.port.events)
        if (e.kind == 'w' && e.offset == 2) controls.push_back(static_cast<int>(e.value) & 1);
    EXPECT_EQ(controls, (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace feedrite
