#include "btr/port/raw_io_port.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace feedrite {
namespace {

// Stands in for ioperm, inb and outb and logs what they were asked.
struct FakeIo {
    int permit_error = 0;
    std::vector<std::string> calls;
    RawIo io() {
        auto log = [this](std::string call) { calls.push_back(std::move(call)); };
        return {[=, this](unsigned long from, unsigned long count, bool on) {
                    log("permit " + std::to_string(from) + " " + std::to_string(count) +
                        (on ? " on" : " off"));
                    return on ? permit_error : 0;
                },
                [=](unsigned short address) {
                    log("in " + std::to_string(address));
                    return 0x17F;  // only the low byte may come through
                },
                [=](int value, unsigned short address) {
                    log("out " + std::to_string(value) + " " + std::to_string(address));
                }};
    }
};

TEST(RawIoPort, ReachesBasePlusOffsetAndNeverSetsBit5OfControl) {
    FakeIo fake;
    {
        RawIoPort port(fake.io());
        ASSERT_TRUE(port.port_open(0x378, 3).ok());
        EXPECT_EQ(port.port_read(1), 0x7F);
        port.port_write(0, 0x1A5);
        port.port_write(2, 0xFF);
    }
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"permit 888 3 on", "in 889", "out 165 888",
                                                    "out 223 890", "permit 888 3 off"}));
}

TEST(RawIoPort, FailuresLeaveAnInertPort) {
    struct Case {
        bool available;
        int permit_error;
        std::int32_t base;
        PortErrorCode code;
        std::string message;
    };
    const Case cases[] = {
        {true, EPERM, 0x378, PortErrorCode::PermissionDenied,
         "No permission for raw I/O at address 378 (hex): it needs root or the capability "
         "CAP_SYS_RAWIO. Use the ppdev port instead (the default, without --raw-io)."},
        {false, 0, 0x378, PortErrorCode::Unsupported, "Raw port I/O exists on x86 PCs only."},
        {true, ENOSYS, 0x378, PortErrorCode::Unsupported, "Cannot get raw I/O at address 378"},
        {true, 0, 0xFFFE, PortErrorCode::NotFound, "No I/O port at address FFFE (hex)"},
        {true, 0, 0, PortErrorCode::NotFound, "No I/O port at address 0 (hex)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        FakeIo fake;
        fake.permit_error = c.permit_error;
        RawIoPort port(c.available ? fake.io() : RawIo{});
        const PortError error = port.port_open(c.base, 3);
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.message.rfind(c.message, 0), 0u) << error.message;
        EXPECT_EQ(port.port_read(1), 0xFF);
        port.port_write(0, 0x55);
        EXPECT_LE(fake.calls.size(), 1u) << "only the permission may have been asked for";
    }
}

}  // namespace
}  // namespace feedrite
