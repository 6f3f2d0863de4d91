#include "btr/character_output.h"

#include <gtest/gtest.h>

#include "btr/signals.h"
#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::PortEvent;

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
        f.settings.Data_logic = model.data_pos;
        f.settings.Sprocket_logic = model.sprocket_pos;
        f.settings.RunStop_logic = model.run_pos;
        f.settings.Ready_logic = model.ready_pos;
        f.settings.Remex_async = (combo & 16) != 0;
        f.settings.BTRcode = 2;
        f.settings.BTRdelay5 = 4;
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
        ASSERT_EQ(f.port.events.size(), 1u);
        EXPECT_EQ(f.port.events[0], (PortEvent{'d', 0, c.count}));
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
    for (const PortEvent& e : f.port.events) EXPECT_NE(e.kind, 'w');
    for (const PortEvent& e : f.port.events) EXPECT_NE(e.kind, 'd');  // no delay between blocks
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
    ASSERT_EQ(f.host.messages.size(), 2u);  // once per pass that saw run
    EXPECT_EQ(f.host.messages[0].title, "Can't run DNC ..");
    EXPECT_EQ(f.host.messages[0].text,
              "You are currently in EDIT mode.\nPress RESET on the CNC control, then\n"
              "click END EDIT to resume DNC operation");
    EXPECT_EQ(f.host.messages[0].icon, MessageIcon::Critical);
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

}  // namespace
}  // namespace feedrite
