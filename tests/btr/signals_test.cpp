#include "btr/signals.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(Signals, RunStateLooksOnlyAtBit7) {
    EXPECT_TRUE(run_state(0x7F, true));
    EXPECT_FALSE(run_state(0x80, true));
    EXPECT_TRUE(run_state(0x80, false));
    EXPECT_FALSE(run_state(0x7F, false));
    for (int s = 0; s < 256; ++s) EXPECT_EQ(run_state(s, true), run_state(s & 0x80, true));
}

TEST(Signals, RegisterValues) {
    struct Case {
        const char* name;
        int got, expected;
    };
    const Case cases[] = {
        {"data 0x31 positive", data_value(0x31, true), 0x31},
        {"data 0x31 negative", data_value(0x31, false), 0xCE},
        {"idle positive", data_idle(true), 0x00},
        {"idle negative", data_idle(false), 0xFF},
        {"start-up 0xFF positive", remex_sprocket_inactive(0xFF, true), 0xCA},
        {"start-up 0xFF negative", remex_sprocket_inactive(0xFF, false), 0xC6},
        {"start-up 0x00 positive", remex_sprocket_inactive(0x00, true), 0x08},
        {"start-up 0x00 negative", remex_sprocket_inactive(0x00, false), 0x04},
        {"active keeps ready", sprocket_active(0x09, true), 0x05},
        {"remex active clears ready", remex_sprocket_active(0x09, true), 0x04},
        {"ready on positive", ready_on(0x05, true), 0x04},
        {"ready on negative", ready_on(0x04, false), 0x05},
        {"ready off positive", ready_off(0x04, true), 0x05},
        {"ready off negative", ready_off(0x05, false), 0x04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.expected);
    }
}

// Pin levels of the sprocket (pins 16 and 17): bit 2 drives pin 16 straight,
// bit 3 drives pin 17 through an inverter.
TEST(Signals, SprocketPinsMoveTogetherAndOtherBitsSurvive) {
    for (int v = 0; v < 256; ++v) {
        for (const bool logic : {true, false}) {
            for (const int active : {sprocket_active(v, logic), remex_sprocket_active(v, logic)}) {
                const bool pin16 = (active & 0x04) != 0, pin17 = (active & 0x08) == 0;
                EXPECT_EQ(pin16, pin17);
                EXPECT_EQ(pin16, logic) << "value " << v;
                EXPECT_EQ(active & 0xC2, v & 0xC2);  // bits 1, 6, 7 kept
                EXPECT_EQ(active & 0x30, 0);         // bits 4, 5 cleared
            }
            const int inactive = sprocket_inactive(v, logic);
            EXPECT_EQ((inactive & 0x04) != 0, !logic);
            EXPECT_EQ(inactive & 0x01, v & 0x01);  // the normal masks keep ready
            EXPECT_EQ(sprocket_active(v, logic) & 0x01, v & 0x01);
            EXPECT_EQ(remex_sprocket_active(v, logic) & 0x01, 0);
            EXPECT_EQ(remex_sprocket_inactive(v, logic) & 0x01, 0);
        }
    }
}

}  // namespace
}  // namespace feedrite
