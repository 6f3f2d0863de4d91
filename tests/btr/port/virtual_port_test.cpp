#include "btr/port/virtual_port.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(Pins, EachControlBitDrivesItsPinThroughTheHardwareInversion) {
    struct Case {
        int control;
        bool pin1, pin14, pin16, pin17;
    };
    const Case cases[] = {
        {0x00, true, true, false, true},  {0x01, false, true, false, true},
        {0x02, true, false, false, true}, {0x04, true, true, true, true},
        {0x08, true, true, false, false}, {0xF0, true, true, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(output_pins(0xA5, c.control),
                  (OutputPins{0xA5, c.pin1, c.pin14, c.pin16, c.pin17}))
            << c.control;
    }
    EXPECT_EQ(status_register(true), 0x7F);
    EXPECT_EQ(status_register(false), 0xFF);
}

struct RecordingEnd final : CableEnd {
    std::vector<OutputPins> seen;
    bool pin11 = true;
    void on_pins(const OutputPins& pins) override { seen.push_back(pins); }
    bool pin11_high() override { return pin11; }
};

TEST(VirtualPort, PowersUpLikeAPcPortAndKeepsAllEightBits) {
    VirtualPort port;
    RecordingEnd end;
    port.connect(&end);
    port.port_write(0, 0x55);
    EXPECT_EQ(port.port_read(0), 0xFF) << "inert until opened";
    ASSERT_TRUE(port.port_open(0x378, 3).ok());
    EXPECT_EQ(port.port_read(0), 0x00);
    EXPECT_EQ(port.port_read(1), 0x7F);
    EXPECT_EQ(port.port_read(2), 0xCC);
    for (const int value : {0xFF, 0xA5, 0x1C6}) {
        port.port_write(0, value);
        port.port_write(2, value ^ 0xFF);
        EXPECT_EQ(port.port_read(0), value & 0xFF);
        EXPECT_EQ(port.port_read(2), (value ^ 0xFF) & 0xFF);
    }
    EXPECT_EQ(end.seen.size(), 7u) << "told on connecting and after every write";
    EXPECT_EQ(end.seen.back(), output_pins(0xC6, 0x39));
    end.pin11 = false;
    EXPECT_EQ(port.port_read(1), 0xFF);
}

TEST(VirtualPort, AnOpenFailureCanBeInjectedOnce) {
    VirtualPort port;
    port.fail_next_open({PortErrorCode::Busy, "in use"});
    EXPECT_EQ(port.port_open(0x378, 3).code, PortErrorCode::Busy);
    port.port_write(0, 0x55);
    EXPECT_EQ(port.port_read(0), 0xFF);
    ASSERT_TRUE(port.port_open(0x378, 3).ok());
    EXPECT_EQ(port.port_read(0), 0x00) << "the failed write never reached the register";
}

}  // namespace
}  // namespace feedrite
