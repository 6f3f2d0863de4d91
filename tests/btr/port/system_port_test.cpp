// SPDX-License-Identifier: GPL-3.0-or-later
// The hardware backends on stand-ins for their system calls, and the real
// ppdev device on a folder of files.

#include <gtest/gtest.h>
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "base/file_io.h"
#include "base/file_user.h"
#include "btr/port/port_errno.h"
#include "btr/port/ppdev_port.h"
#include "btr/port/raw_io_port.h"
#include "tests/support/as_user.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using Calls = std::vector<std::string>;
using Says = std::vector<std::string>;

// After a failed open, reads give 0xFF and nothing reaches the system.
void expect_inert(PortAccess& port, const Calls& calls) {
    const Calls before = calls;
    for (int offset = 0; offset < 3; ++offset) {
        EXPECT_EQ(port.port_read(offset), 0xFF);
        port.port_write(offset, 0x55);
    }
    EXPECT_EQ(calls, before) << "the port was touched after failing";
}

void expect_says(const std::string& message, const Says& parts) {
    for (const std::string& part : parts)
        EXPECT_NE(message.find(part), std::string::npos) << message;
}

// What the fake ppdev device was asked; kept by the rig, so it outlives the port.
struct Log {
    Calls calls;
    std::map<unsigned long, int> failing;  // request (0 for open) -> errno
    bool is_open = false;
};

// Two ports; reads give fixed values.
struct FakeDevice final : PpdevDevice {
    explicit FakeDevice(Log& l) : log(l) {}
    std::vector<ParportEntry> ports() override {
        return {{"/dev/parport0", 0x3BC}, {"/dev/parport1", 0x378}};
    }
    int open(const std::string& device) override {
        log.calls.push_back("open " + device);
        log.is_open = log.failing.count(0) == 0;
        return log.is_open ? 0 : log.failing[0];
    }
    int ioctl(unsigned long request, unsigned char* arg) override {
        static const std::map<unsigned long, std::string> names = {
            {PPEXCL, "PPEXCL"},   {PPCLAIM, "PPCLAIM"},      {PPRELEASE, "PPRELEASE"},
            {PPRDATA, "PPRDATA"}, {PPRSTATUS, "PPRSTATUS"},  {PPRCONTROL, "PPRCONTROL"},
            {PPWDATA, "PPWDATA"}, {PPWCONTROL, "PPWCONTROL"}};
        static const std::map<unsigned long, unsigned char> reads = {
            {PPRDATA, 0x3C}, {PPRSTATUS, 0x5F}, {PPRCONTROL, 0xF3}};
        const bool write = request == PPWDATA || request == PPWCONTROL;
        log.calls.push_back(names.at(request) + (write ? " " + std::to_string(*arg) : ""));
        if (log.failing.count(request)) return log.failing[request];
        if (reads.count(request)) *arg = reads.at(request);
        return 0;
    }
    void close() override {
        log.calls.push_back("close");
        log.is_open = false;
    }
    Log& log;
};

struct PpdevRig {
    Log log;
    std::optional<PpdevPort> port{std::in_place, std::make_unique<FakeDevice>(log)};
};

// Control bits 4 to 7 never reach the port, so bit 5 (data lines as inputs)
// cannot be set; they are kept and read back over the port's bits 0 to 3.
TEST(PpdevPort, ClaimsTheMatchingDeviceMapsRegistersAndReleasesAtTheEnd) {
    PpdevRig rig;
    ASSERT_TRUE(rig.port->port_open(0x378, 3).ok());
    rig.port->port_write(0, 0x1A5);  // the low byte only
    EXPECT_EQ(rig.port->port_read(0), 0x3C);
    EXPECT_EQ(rig.port->port_read(1), 0x5F);
    rig.port->port_write(1, 0x00);  // status is input only
    EXPECT_EQ(rig.port->port_read(2), 0xC3) << "bits 6 and 7 read as 1 before any write";
    rig.port->port_write(2, 0xF5);
    EXPECT_EQ(rig.port->port_read(2), 0xF3);
    EXPECT_TRUE(rig.port->fault().ok());
    rig.log.failing = {{PPRSTATUS, EIO}, {PPRCONTROL, EIO}};
    EXPECT_EQ(rig.port->port_read(1), 0xFF) << "a failed read";
    EXPECT_EQ(rig.port->port_read(2), 0xFF);
    // Kept from the first failure on, naming the device and the cause.
    EXPECT_EQ(rig.port->fault().code, PortErrorCode::Io);
    expect_says(rig.port->fault().message, {"/dev/parport1 (at 378 hex) failed during the run"});
    rig.port.reset();
    EXPECT_EQ(rig.log.calls,
              (Calls{"open /dev/parport1", "PPEXCL", "PPCLAIM", "PPWDATA 165", "PPRDATA",
                     "PPRSTATUS", "PPRCONTROL", "PPWCONTROL 5", "PPRCONTROL", "PPRSTATUS",
                     "PPRCONTROL", "PPRELEASE", "close"}));
}

TEST(PpdevPort, EveryOpenFailureLeavesAnInertPort) {
    // The failing request (0 for open), its errno, the base, what the error says.
    const std::tuple<unsigned long, int, std::int32_t, PortErrorCode, Says> cases[] = {
        // clang-format off
        {0, 0, 0x278, PortErrorCode::NotFound,
         {"No parallel port at address 278 (hex)", "modules parport_pc and ppdev", "--check-port"}},
        {0, EACCES, 0x378, PortErrorCode::PermissionDenied,
         {"Cannot open /dev/parport1 (parallel port at 378 hex): permission denied",
          "Add your user to the group lp (sudo usermod -aG lp $USER)"}},
        {PPEXCL, EBUSY, 0x378, PortErrorCode::Busy,
         {"Cannot claim /dev/parport1 (parallel port at 378 hex): another program or driver",
          "(sudo modprobe -r lp)"}},
        {0, ENODEV, 0x378, PortErrorCode::NotFound,
         {"Cannot open", "(sudo modprobe -a parport_pc ppdev)", "--check-port"}},
        // lp registered on the port: ppdev's exclusive claim says ENXIO, not "no port".
        {PPCLAIM, ENXIO, 0x378, PortErrorCode::Busy,
         {"Cannot claim /dev/parport1 (parallel port at 378 hex): another program or driver",
          "(sudo modprobe -r lp)", "\"blacklist lp\" in a file in /etc/modprobe.d/"}},
        {PPCLAIM, EIO, 0x378, PortErrorCode::Io, {"Cannot claim /dev/parport1"}},
        // clang-format on
    };
    for (const auto& [request, err, base, code, says] : cases) {
        SCOPED_TRACE(says[0]);
        PpdevRig rig;
        if (err != 0) rig.log.failing[request] = err;
        const PortError error = rig.port->port_open(base, 3);
        EXPECT_EQ(error.code, code);
        expect_says(error.message, says);
        expect_inert(*rig.port, rig.log.calls);
        EXPECT_FALSE(rig.log.is_open);
    }
}

// The real device, on a folder standing in for both /proc/sys/dev/parport and /dev.
TEST(PpdevDevice, ListsPortsByTheFirstNumberOfBaseAddrAndReportsErrno) {
    testing::TempDir dir;
    // clang-format off
    const std::pair<const char*, const char*> dirs[] = {
        {"parport1", "632\t1656\n"}, {"parport0", "  888\t1912\n"}, {"parport3", "956\n"},
        {"parport2", "none\n"}, {"parport4", ""}, {"parportx", "2\n"}, {"default", "1\n"}};
    // clang-format on
    for (const auto& [name, base_addr] : dirs) {
        std::filesystem::create_directory(dir.file(name));
        dir.write(std::string(name) + "/base-addr", base_addr);
    }
    auto device = make_system_ppdev_device(dir.path(), "/devices");
    std::string listed;
    for (const auto& port : device->ports())
        listed += port.device + "=" + std::to_string(port.base) + " ";
    EXPECT_EQ(listed, "/devices/parport0=888 /devices/parport1=632 /devices/parport3=956 ");
    EXPECT_EQ(device->ioctl(PPCLAIM, nullptr), EBADF) << "nothing open yet";
    EXPECT_EQ(device->open(dir.file("missing")), ENOENT);
    ASSERT_EQ(device->open(dir.write("plain", "x")), 0);
    unsigned char byte = 0;
    EXPECT_EQ(device->ioctl(PPRSTATUS, &byte), ENOTTY) << "a plain file is no parallel port";
}

// Through sudo, files are opened with the user's rights, and root opens a
// device node only when it is a parallel port's: a node of another major
// number, or a file root alone may read, is refused as the user.
TEST(SystemPpdev, UnderSudoRootOpensOnlyAPortNode) {
    if (::geteuid() != 0) GTEST_SKIP() << "sudo gives root; run as root";
    testing::TempDir dir;
    const std::string port = dir.file("parport9"), other = dir.file("null");
    const std::string secret = dir.write("secret", "root's");
    ASSERT_TRUE(::mknod(port.c_str(), S_IFCHR | 0600, makedev(PP_MAJOR, 0)) == 0 &&
                ::mknod(other.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
                ::chmod(secret.c_str(), 0600) == 0 && ::chmod(dir.path().c_str(), 0755) == 0);
    testing::in_child_process([&] {
        ::setenv("SUDO_USER", "nobody", 1);
        ASSERT_EQ(open_files_as_invoking_user(), "");
        EXPECT_EQ(file_uid(), 65534U);
        std::string bytes;
        FileError error;
        EXPECT_FALSE(read_whole_file(secret, bytes, error, 100));
        EXPECT_EQ(error.code, FileErrorCode::PermissionDenied);
        auto device = make_system_ppdev_device(dir.path(), dir.path());
        EXPECT_EQ(device->open(other), EACCES);
        // No driver behind the stand-in node: opened as root, the kernel finds no port.
        const int opened = device->open(port);
        EXPECT_TRUE(opened == ENXIO || opened == ENODEV) << opened;
        EXPECT_EQ(file_uid(), 65534U) << "root is kept past the open";
    });
}

TEST(PortErrno, RetriesOnlyWhatASignalInterrupted) {
    int calls = 0;
    const auto interrupted_twice = [&] {
        errno = EINTR;
        return ++calls < 3 ? -1 : 7;
    };
    EXPECT_EQ(retry_on_eintr(interrupted_twice), 7);
    EXPECT_EQ(calls, 3);
    const auto busy = [&] {
        errno = EBUSY;
        ++calls;
        return -1;
    };
    EXPECT_EQ(retry_on_eintr(busy), -1);
    EXPECT_EQ(calls, 4);  // a real failure is not asked again
}

// Stands in for ioperm, inb and outb and logs what they were asked.
struct FakeIo {
    int permit_error = 0;
    Calls calls;
    RawIo io() {
        return {[this](unsigned long from, unsigned long count, bool on) {
                    log("permit", from, count, on);
                    return on ? permit_error : 0;
                },
                [this](unsigned short address) {
                    log("in", address);
                    return 0x17F;  // only the low byte may come through
                },
                [this](int value, unsigned short address) { log("out", value, address); }};
    }
    template <class... Parts>
    void log(const char* call, Parts... parts) {
        calls.push_back(call);
        ((calls.back() += " " + std::to_string(parts)), ...);
    }
};

TEST(RawIoPort, ReachesBasePlusOffsetAndNeverSetsBit5OfControl) {
    FakeIo fake;
    std::optional<RawIoPort> port(fake.io());
    ASSERT_TRUE(port->port_open(0x378, 3).ok());
    EXPECT_EQ(port->port_read(1), 0x7F);
    port->port_write(0, 0x1A5);
    port->port_write(2, 0xFF);
    port.reset();
    EXPECT_EQ(fake.calls,
              (Calls{"permit 888 3 1", "in 889", "out 165 888", "out 223 890", "permit 888 3 0"}));
}

TEST(RawIoPort, EveryOpenFailureLeavesAnInertPort) {
    // Raw I/O available, ioperm's errno, the base, what the error says.
    const std::tuple<bool, int, std::int32_t, PortErrorCode, Says> cases[] = {
        // clang-format off
        {true, EPERM, 0x378, PortErrorCode::PermissionDenied,
         {"No permission for raw I/O at address 378 (hex): it needs root or the capability "
          "CAP_SYS_RAWIO. Use the ppdev port instead"}},
        {false, 0, 0x378, PortErrorCode::Unsupported, {"Raw port I/O exists on x86 PCs only."}},
        {true, ENOSYS, 0x378, PortErrorCode::Unsupported, {"Cannot get raw I/O at address 378"}},
        {true, 0, 0xFFFE, PortErrorCode::NotFound, {"No I/O port at address FFFE (hex)"}},
        {true, 0, 0, PortErrorCode::NotFound, {"No I/O port at address 0 (hex)"}},
        {true, 0, 0x7FFFFFFF, PortErrorCode::NotFound, {"No I/O port at address 7FFFFFFF (hex)"}},
        // clang-format on
    };
    for (const auto& [available, permit_error, base, code, says] : cases) {
        SCOPED_TRACE(says[0]);
        FakeIo fake;
        fake.permit_error = permit_error;
        RawIoPort port(available ? fake.io() : RawIo{});
        const PortError error = port.port_open(base, 3);
        EXPECT_EQ(error.code, code);
        expect_says(error.message, says);
        expect_inert(port, fake.calls);
    }
}

}  // namespace
}  // namespace feedrite
