// On a real parallel port, named by its base address:
//   FEEDRITE_TEST_PPDEV=0x378 ctest --preset default -L hardware
//   FEEDRITE_TEST_RAWIO=0x378 (as root) for raw I/O.
// Nothing that minds its lines toggling may be connected.

#include <gtest/gtest.h>

#include <cstdlib>

#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"

namespace feedrite {
namespace {

std::int32_t base_from(const char* variable) {
    const char* text = std::getenv(variable);
    return text == nullptr ? 0 : static_cast<std::int32_t>(std::strtol(text, nullptr, 0));
}

// The data latch reads back what was written, and so do control bits 0 to 3.
void check_round_trip(PortAccess& port, std::int32_t base) {
    const PortError error = port.port_open(base, 3);
    ASSERT_TRUE(error.ok()) << error.message;
    for (const int value : {0x55, 0xAA, 0x00}) {
        port.port_write(0, value);
        EXPECT_EQ(port.port_read(0), value);
    }
    for (const int value : {0xC4, 0xCB, 0xCA}) {
        port.port_write(2, value);
        EXPECT_EQ(port.port_read(2) & 0x0F, value & 0x0F);
    }
}

TEST(PortHardware, PpdevRoundTrip) {
    const std::int32_t base = base_from("FEEDRITE_TEST_PPDEV");
    if (base == 0) GTEST_SKIP() << "set FEEDRITE_TEST_PPDEV to a port's base address, e.g. 0x378";
    PpdevPort port;
    check_round_trip(port, base);
}

TEST(PortHardware, RawIoRoundTrip) {
    const std::int32_t base = base_from("FEEDRITE_TEST_RAWIO");
    if (base == 0) GTEST_SKIP() << "as root, set FEEDRITE_TEST_RAWIO to a port's base address";
    RawIoPort port;
    check_round_trip(port, base);
}

}  // namespace
}  // namespace feedrite
