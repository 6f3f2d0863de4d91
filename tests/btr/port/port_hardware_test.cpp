// SPDX-License-Identifier: GPL-3.0-or-later
// On a real parallel port, named by its base address (nothing that minds its
// lines toggling may be connected):
//   FEEDRITE_TEST_PPDEV=0x378 ctest --preset default -L hardware
//   FEEDRITE_TEST_RAWIO=0x378 (as root) for raw I/O.

#include <gtest/gtest.h>

#include <cstdlib>

#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"

namespace feedrite {
namespace {

// Skipped unless `variable` names the port. The data latch reads back what was
// written, and so do control bits 0 to 3.
void check_round_trip(PortAccess&& port, const char* variable) {
    const char* text = std::getenv(variable);
    const auto base = static_cast<std::int32_t>(text ? std::strtol(text, nullptr, 0) : 0);
    if (base == 0) GTEST_SKIP() << "set " << variable << " to a port's base address, e.g. 0x378";
    const PortError error = port.port_open(base, 3);
    ASSERT_TRUE(error.ok()) << error.message;
    for (const auto& [data, control] : {std::pair{0x55, 0xC4}, {0xAA, 0xCB}, {0x00, 0xCA}}) {
        port.port_write(0, data);
        port.port_write(2, control);
        EXPECT_EQ(port.port_read(0), data);
        EXPECT_EQ(port.port_read(2) & 0x0F, control & 0x0F);
    }
}

TEST(PortHardware, PpdevRoundTrip) {
    check_round_trip(PpdevPort(), "FEEDRITE_TEST_PPDEV");
}

TEST(PortHardware, RawIoRoundTrip) {
    check_round_trip(RawIoPort(), "FEEDRITE_TEST_RAWIO");
}

}  // namespace
}  // namespace feedrite
