#include "btr/port_start.h"

#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"

namespace feedrite {
namespace {

using testing::EngineFixture;
using testing::PortEvent;

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
        f.settings.Data_logic = c.data;
        f.settings.Sprocket_logic = c.sprocket;
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

TEST(PortStart, ConfiguredNeedsAnAddressAndTheTwoMainCounts) {
    PortSettings s;
    s.BTRaddress = 888;
    s.BTRdelay1 = 1;
    s.BTRdelay2 = 1;
    EXPECT_TRUE(port_is_configured(s));
    for (double PortSettings::*field : {&PortSettings::BTRdelay1, &PortSettings::BTRdelay2}) {
        PortSettings t = s;
        t.*field = 0;
        EXPECT_FALSE(port_is_configured(t));
    }
    s.BTRaddress = 0;
    EXPECT_FALSE(port_is_configured(s));
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
    EXPECT_EQ(f.host.messages.size(), 2u);
    EXPECT_EQ(f.port.status_reads, 4);
}

}  // namespace
}  // namespace feedrite
