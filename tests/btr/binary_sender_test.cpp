#include "btr/binary_sender.h"

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

using testing::EngineFixture;

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
    EXPECT_EQ(shown, (std::vector<std::string>{"Bytes sent:  1", "Bytes sent:  2", "Bytes sent:  3"}));
    EXPECT_EQ(f.state.Sending_data, 1);
    for (const auto& e : f.port.events) EXPECT_FALSE(e.kind == 'd' && e.value == 99);
}

TEST(BinarySender, NegativeDataLogic) {
    EngineFixture f;
    f.settings.Data_logic = false;
    BTRsendbinary(f.engine, "\x0D");
    EXPECT_EQ(f.port.data_writes(), (std::vector<int>{0xF2, 0xFF}));
}

TEST(BinarySender, EmptyFileTouchesNothing) {
    EngineFixture f;
    f.view.set_text("Ready to send binary file");
    BTRsendbinary(f.engine, "");
    EXPECT_TRUE(f.port.events.empty());
    EXPECT_EQ(f.view.text(), "Ready to send binary file");
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
