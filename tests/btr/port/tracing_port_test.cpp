#include "btr/port/tracing_port.h"

#include <gtest/gtest.h>

#include <sstream>

#include "btr/port/port_factory.h"
#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"
#include "btr/port/virtual_port.h"

namespace feedrite {
namespace {

TEST(TracingPort, WritesOneLinePerEventAndPassesEveryCallOn) {
    VirtualPort port;
    std::ostringstream out;
    out << std::hex << std::uppercase;  // the caller's flags must not change the trace
    TracingPort trace(port, out);
    ASSERT_TRUE(trace.port_open(888, 3).ok());
    trace.port_write(0, 0x1A5);
    trace.port_write(2, (trace.port_read(2) | 0x08) & 0xCA);
    for (const double count : {0.0, 1.0, 0.25, 2.0001, -4.0, 123456789.0}) trace.on_delay(count);
    EXPECT_EQ(trace.port_read(1), 0x7F);
    EXPECT_EQ(out.str(),
              "open 888 3\nwrite 0 a5\nread 2 cc\nwrite 2 c8\n"
              "delay 0\ndelay 1\ndelay 1\ndelay 3\ndelay 0\ndelay 123456789\nread 1 7f\n");
    EXPECT_EQ(port.port_read(0), 0xA5);
    EXPECT_EQ(port.port_read(2), 0xC8);
}

TEST(PortFactory, MakesTheChosenBackend) {
    struct End final : CableEnd {
        int told = 0;
        void on_pins(const OutputPins&) override { ++told; }
        bool pin11_high() override { return false; }
    } end;
    auto port = make_port(PortKind::Virtual, &end);
    ASSERT_TRUE(port->port_open(0x378, 3).ok());
    EXPECT_EQ(port->port_read(1), 0xFF) << "status read through the cable";
    EXPECT_EQ(end.told, 1);
    EXPECT_NE(dynamic_cast<PpdevPort*>(make_port(PortKind::Ppdev).get()), nullptr);
    EXPECT_NE(dynamic_cast<RawIoPort*>(make_port(PortKind::RawIo).get()), nullptr);
}

}  // namespace
}  // namespace feedrite
