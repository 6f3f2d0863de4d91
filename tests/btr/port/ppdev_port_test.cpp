#include "btr/port/ppdev_port.h"

#include <gtest/gtest.h>
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <cerrno>
#include <map>

#include "btr/port/port_errno.h"

namespace feedrite {
namespace {

// Kept outside the fake so that it outlives the port.
struct FakeLog {
    std::vector<std::string> calls;
    std::map<unsigned long, int> failing;  // request -> errno
    int open_error = 0;
    bool is_open = false;
    unsigned char data = 0, status = 0x7F, control = 0x0C;
};

struct Request {
    const char* name;
    unsigned char FakeLog::*reg;
    bool write;
};
const std::map<unsigned long, Request> requests = {
    {PPEXCL, {"PPEXCL", nullptr, false}},
    {PPCLAIM, {"PPCLAIM", nullptr, false}},
    {PPRELEASE, {"PPRELEASE", nullptr, false}},
    {PPRDATA, {"PPRDATA", &FakeLog::data, false}},
    {PPWDATA, {"PPWDATA", &FakeLog::data, true}},
    {PPRSTATUS, {"PPRSTATUS", &FakeLog::status, false}},
    {PPRCONTROL, {"PPRCONTROL", &FakeLog::control, false}},
    {PPWCONTROL, {"PPWCONTROL", &FakeLog::control, true}}};

class FakePpdevDevice final : public PpdevDevice {
  public:
    FakePpdevDevice(std::shared_ptr<FakeLog> log, std::vector<ParportEntry> ports)
        : log_(std::move(log)), ports_(std::move(ports)) {}
    std::vector<ParportEntry> ports() override { return ports_; }
    int open(const std::string& device) override {
        log_->calls.push_back("open " + device);
        log_->is_open = log_->open_error == 0;
        return log_->open_error;
    }
    int ioctl(unsigned long request, unsigned char* arg) override {
        const Request& r = requests.at(request);
        log_->calls.push_back(r.write ? r.name + (" " + std::to_string(*arg)) : r.name);
        if (log_->failing.count(request)) return log_->failing.at(request);
        if (r.reg == nullptr) return 0;
        unsigned char& reg = (*log_).*r.reg;
        r.write ? void(reg = *arg) : void(*arg = reg);
        return 0;
    }
    void close() override {
        log_->calls.push_back("close");
        log_->is_open = false;
    }

  private:
    std::shared_ptr<FakeLog> log_;
    std::vector<ParportEntry> ports_;
};

struct Rig {
    std::shared_ptr<FakeLog> log = std::make_shared<FakeLog>();
    PpdevPort port{std::make_unique<FakePpdevDevice>(
        log, std::vector<ParportEntry>{{"/dev/parport0", 0x3BC}, {"/dev/parport1", 0x378}})};
};

using Calls = std::vector<std::string>;

TEST(PpdevPort, ClaimsTheMatchingDeviceMapsRegistersAndReleasesAtTheEnd) {
    auto log = std::make_shared<FakeLog>();
    {
        Rig rig{log};
        ASSERT_TRUE(rig.port.port_open(0x378, 3).ok());
        log->status = 0x5F;
        rig.port.port_write(0, 0x1A5);  // the low byte only
        EXPECT_EQ(rig.port.port_read(0), 0xA5);
        EXPECT_EQ(rig.port.port_read(1), 0x5F);
        rig.port.port_write(1, 0x00);  // status is input only
    }
    EXPECT_EQ(log->calls, (Calls{"open /dev/parport1", "PPEXCL", "PPCLAIM", "PPWDATA 165",
                                 "PPRDATA", "PPRSTATUS", "PPRELEASE", "close"}));
}

TEST(PpdevPort, EveryOpenFailureLeavesAnInertPort) {
    struct Case {
        int open_error;
        unsigned long request;
        int err;
        std::int32_t base;
        PortErrorCode code;
        std::string message;
    };
    const Case cases[] = {
        {0, 0, 0, 0x278, PortErrorCode::NotFound,
         "No parallel port at address 278 (hex): no /dev/parport device has this base address. "
         "Check the port address in the configuration, and that the modules parport_pc and "
         "ppdev are loaded."},
        {EACCES, 0, 0, 0x378, PortErrorCode::PermissionDenied,
         "Cannot open /dev/parport1 (parallel port at 378 hex): permission denied. Add your user "
         "to the group lp (sudo usermod -aG lp $USER) and log in again."},
        {0, PPCLAIM, EBUSY, 0x378, PortErrorCode::Busy,
         "Cannot claim /dev/parport1 (parallel port at 378 hex): another program or driver is "
         "using it. Close the other program, or unload the printer driver (sudo modprobe -r lp), "
         "and try again."},
        {0, PPEXCL, EBUSY, 0x378, PortErrorCode::Busy, ""},
        {ENOENT, 0, 0, 0x378, PortErrorCode::NotFound, ""},
        {0, PPCLAIM, EIO, 0x378, PortErrorCode::Io, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Rig rig;
        rig.log->open_error = c.open_error;
        rig.log->failing[c.request] = c.err;
        const PortError error = rig.port.port_open(c.base, 3);
        EXPECT_EQ(error.code, c.code);
        EXPECT_FALSE(error.message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(error.message, c.message);
        }
        const auto calls = rig.log->calls.size();
        for (int offset = 0; offset < 3; ++offset) {
            EXPECT_EQ(rig.port.port_read(offset), 0xFF);
            rig.port.port_write(offset, 0x55);
        }
        EXPECT_EQ(rig.log->calls.size(), calls) << "the port was touched after failing";
        EXPECT_FALSE(rig.log->is_open);
    }
}

TEST(PpdevPort, ControlWritesNeverSetBit5AndReadBackCombinesBits) {
    const std::pair<int, int> cases[] = {{0xFF, 0x0F}, {0x2C, 0x0C}, {0xCA, 0x0A}, {0x35, 0x05}};
    for (const auto& [written, sent] : cases) {
        Rig rig;
        ASSERT_TRUE(rig.port.port_open(0x378, 3).ok());
        rig.port.port_write(2, written);
        EXPECT_EQ(rig.log->calls.back(), "PPWCONTROL " + std::to_string(sent));
        EXPECT_EQ(rig.port.port_read(2), written);
        rig.log->control = 0xF3;  // only the real bits 0 to 3 count
        EXPECT_EQ(rig.port.port_read(2), (written & 0xF0) | 0x03);
    }
    Rig fresh;
    ASSERT_TRUE(fresh.port.port_open(0x378, 3).ok());
    EXPECT_EQ(fresh.port.port_read(2), 0xCC) << "bits 6 and 7 read as 1 before any write";
}

TEST(PpdevPort, FailedReadsGiveFF) {
    Rig rig;
    ASSERT_TRUE(rig.port.port_open(0x378, 3).ok());
    rig.log->failing = {{PPRSTATUS, EIO}, {PPRCONTROL, EIO}};
    EXPECT_EQ(rig.port.port_read(1), 0xFF);
    EXPECT_EQ(rig.port.port_read(2), 0xFF);
}

TEST(PortErrno, MapsErrnoToACode) {
    using C = PortErrorCode;
    const std::pair<int, C> cases[] = {{ENOENT, C::NotFound},
                                       {ENODEV, C::NotFound},
                                       {ENXIO, C::NotFound},
                                       {EACCES, C::PermissionDenied},
                                       {EPERM, C::PermissionDenied},
                                       {EBUSY, C::Busy},
                                       {EIO, C::Io},
                                       {ENOTTY, C::Io}};
    for (const auto& [err, code] : cases) EXPECT_EQ(port_error_code(err), code) << err;
}

}  // namespace
}  // namespace feedrite
