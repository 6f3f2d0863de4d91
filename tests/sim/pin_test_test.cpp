// SPDX-License-Identifier: GPL-3.0-or-later
// The pin test's registers and what the control should see, per polarity.

#include "sim/pin_test.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

PortSettings logic(bool positive) {
    PortSettings s;
    s.Data_logic = s.Sprocket_logic = s.Ready_logic = s.RunStop_logic = positive;
    return s;
}

TEST(PinTest, PolaritiesGiveTheRegistersAndThePinsTheControlSees) {
    const ActiveLines some = line_bit(0) | line_bit(7) | line_bit(8) | line_bit(9);
    struct Case {
        bool positive;
        ActiveLines active;
        int data, control;
        const char *data0, *data1, *sprocket, *ready, *run_stop_7f;
    };
    // clang-format off
    const Case cases[] = {
        {true, some, 0x81, 0xC4, "pin 2 high: data bit 0 is 1", "pin 3 low: data bit 1 is 0",
         "pin 16 high, pin 17 high: sprocket on", "pin 1 high: ready on",
         "pin 11 high: the control says run"},
        {false, some, 0x7E, 0xC9, "pin 2 low: data bit 0 is 1", "pin 3 high: data bit 1 is 0",
         "pin 16 low, pin 17 low: sprocket on", "pin 1 low: ready on",
         "pin 11 high: the control says stop"},
        {true, 0, 0x00, 0xC9, "pin 2 low: data bit 0 is 0", "pin 3 low: data bit 1 is 0",
         "pin 16 low, pin 17 low: sprocket off", "pin 1 low: ready off", nullptr},
        {false, line_bit(1), 0xFD, 0xC4, "pin 2 high: data bit 0 is 0", "pin 3 low: data bit 1 is 1",
         "pin 16 high, pin 17 high: sprocket off", "pin 1 high: ready off", nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.positive << " " << c.active);
        const PortSettings s = logic(c.positive);
        EXPECT_EQ(pin_test_data(c.active, s), c.data);
        EXPECT_EQ(pin_test_control(c.active, s), c.control);
        EXPECT_EQ(line_seen(0, c.active, s), c.data0);
        EXPECT_EQ(line_seen(1, c.active, s), c.data1);
        EXPECT_EQ(line_seen(int(TestLine::Sprocket), c.active, s), c.sprocket);
        EXPECT_EQ(line_seen(int(TestLine::Ready), c.active, s), c.ready);
        if (c.run_stop_7f) {
            EXPECT_EQ(run_stop_seen(0x7F, s), c.run_stop_7f);
        }
    }
    EXPECT_EQ(walk_step(test_line_count + 9), line_bit(int(TestLine::Ready)));
}

}  // namespace
}  // namespace feedrite
