// SPDX-License-Identifier: GPL-3.0-or-later
// The port check's diagnosis over a fake ppdev device that fails as asked.

#include <gtest/gtest.h>
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>

#include "btr/port/port_check.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using Says = std::vector<std::string>;

// One port at 378; `failing` maps a request (0 for open) to its errno.
struct FakeDevice final : PpdevDevice {
    std::vector<ParportEntry> listed{{"/dev/parport0", 0x378}};
    std::map<unsigned long, int> failing;
    std::vector<std::string> calls;
    std::vector<ParportEntry> ports() override { return listed; }
    int open(const std::string& device) override {
        calls.push_back("open " + device);
        return failing.count(0) ? failing[0] : 0;
    }
    int ioctl(unsigned long request, unsigned char* arg) override {
        calls.push_back(std::to_string(request));
        if (failing.count(request)) return failing[request];
        if (request == PPRSTATUS) *arg = 0x5F;
        return 0;
    }
    void close() override { calls.push_back("close"); }
    std::optional<DeviceNode> node_of;
    std::optional<DeviceNode> node(const std::string&) override { return node_of; }
};

struct Case {
    const char* name;
    KernelFacts kernel;
    PortTarget target;
    std::map<unsigned long, int> failing;
    bool no_ports;
    bool usable;
    Says says;
};

const KernelFacts loaded{true, true, false};

TEST(PortCheck, NamesWhatStandsBetweenTheUserAndThePort) {
    const std::string plain = "/home/u/plain.txt";
    // clang-format off
    const Case cases[] = {
        {"no modules", {}, {"", 0x378, 0}, {}, true, false,
         {"knows no parallel port. The modules parport_pc and ppdev are not loaded.",
          "sudo modprobe -a parport_pc ppdev", "switched off in the BIOS"}},
        {"other address", loaded, {"", 0x278, 0}, {}, false, false,
         {"No parallel port at address 278 hex; the kernel's ports: /dev/parport0 at 378 hex."}},
        {"no device file", {true, false, false}, {"", 0x378, 0}, {{0, ENOENT}}, false, false,
         {"no device file /dev/parport0. The module ppdev is not loaded.", "modprobe -a parport_pc ppdev"}},
        {"node without driver", loaded, {"/dev/parport3", 0, 0}, {{0, ENXIO}}, false, false,
         {"No driver answers on /dev/parport3."}},
        {"no permission", loaded, {"", 0x378, 0}, {{0, EACCES}}, false, false,
         {"Permission denied on /dev/parport0.", "sudo usermod -aG lp $USER", "log in again"}},
        {"lp holds it", {true, true, true}, {"", 0x378, 0}, {{PPCLAIM, ENXIO}}, false, false,
         {"Another driver holds /dev/parport0 (at 378 hex): the printer driver lp is loaded.",
          "sudo modprobe -r lp", "\"blacklist lp\" in a file in /etc/modprobe.d/"}},
        {"busy", loaded, {"", 0x378, 0}, {{PPEXCL, EBUSY}}, false, false,
         {"Another driver holds /dev/parport0 (at 378 hex). Unload"}},
        {"unlisted node", loaded, {"/dev/parport2", 0, 0}, {{PPCLAIM, ENXIO}}, false, false,
         {"No port stands behind /dev/parport2."}},
        {"plain file", loaded, {plain, 0, 0}, {{PPEXCL, ENOTTY}}, false, false,
         {plain + " is not a parallel port"}},
        {"read fails", loaded, {"", 0x378, 0}, {{PPRSTATUS, EIO}}, false, false,
         {"reading it failed: input/output error"}},
        {"claimed and read", loaded, {"", 0x378, 0x378}, {}, false, true,
         {"Checking /dev/parport0 (at 378 hex).", "The port can be claimed and read. Status register "
          "5F hex read once: pin 10 high, pin 11 (the run/stop input) high, pin 12 low, pin 13 high, "
          "pin 15 high."}},
        {"device elsewhere", loaded, {"/dev/parport0", 0, 0x278}, {}, false, true,
         {"The device is set to address 278 hex, this port is at 378 hex"}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice device;
        device.failing = c.failing;
        if (c.no_ports) device.listed.clear();
        const PortCheck check = diagnose_port(probe_port(device, c.kernel, c.target));
        EXPECT_EQ(check.usable, c.usable);
        std::string all;
        for (const std::string& line : check.findings) all += line + "\n";
        for (const std::string& part : c.says) EXPECT_NE(all.find(part), std::string::npos) << all;
        EXPECT_EQ(all.find("device is set to") != std::string::npos, c.target.device_base == 0x278);
        // Never a write; whatever was opened is closed, a claim released.
        const bool claimed = !device.calls.empty() && !c.failing.count(0) &&
                             !c.failing.count(PPEXCL) && !c.failing.count(PPCLAIM);
        for (const std::string& call : device.calls)
            EXPECT_TRUE(call != std::to_string(PPWDATA) && call != std::to_string(PPWCONTROL));
        if (!device.calls.empty() && !c.failing.count(0)) {
            EXPECT_EQ(device.calls.back(), "close");
        }
        EXPECT_EQ(claimed, std::count(device.calls.begin(), device.calls.end(),
                                      std::to_string(PPRELEASE)) == 1);
    }
}

// What the path is comes first: a file that is no parallel port's gets no
// advice about groups or drivers, and is never opened (open would be refused
// here with EACCES, as for a serial port the user may not open).
TEST(PortCheck, SaysWhatThePathIsBeforeAnyAdvice) {
    using Kind = DeviceNode::Kind;
    KernelFacts kernel = loaded;
    kernel.character_drivers = {{4, "ttyS"}, {6, "lp"}, {99, "ppdev"}};
    const struct {
        const char* path;
        DeviceNode node;
        const char* says;  ///< nullptr: a parallel port's file, the usual advice follows
    } cases[] = {
        {"/dev/ttyS0", {Kind::Character, 4}, " is a serial port (character device, major 4, ttyS)"},
        {"/dev/lp0", {Kind::Character, 6}, " is the printer driver's file for a port (/dev/lpN)"},
        {"/home/u/plain.txt", {Kind::Regular}, " is a plain file, not a parallel port."},
        {"/tmp/fifo", {Kind::Fifo}, " is a FIFO (named pipe)"},
        {"/run/x.sock", {Kind::Socket}, " is a socket"},
        {"/dev/sda", {Kind::Block, 8}, " is a block device (major 8)"},
        {"/dev", {Kind::Directory}, " is a folder"},
        {"/dev/parport0", {Kind::Character, 99}, nullptr},
        {"/dev/parport9", {Kind::Character, 180}, nullptr},  // no driver loaded for it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        FakeDevice device;
        device.failing = {{0, EACCES}};
        device.node_of = c.node;
        const PortCheck check = diagnose_port(probe_port(device, kernel, {c.path, 0, 0}));
        EXPECT_FALSE(check.usable);
        ASSERT_EQ(check.findings.size(), 2u);
        const std::string& said = check.findings[1];
        if (c.says == nullptr) {
            EXPECT_TRUE(said.starts_with("Permission denied")) << said;
            continue;
        }
        EXPECT_EQ(said.find(std::string(c.path) + c.says), 0u) << said;
        EXPECT_EQ(said.find("group"), std::string::npos) << said;
        EXPECT_TRUE(device.calls.empty());
    }
}

TEST(PortCheck, ReadsTheDriversFromTheKernelsFiles) {
    testing::TempDir dir;
    const std::string devices = dir.write(
        "devices", "Character devices:\n  4 ttyS\n  6 lp\n 99 ppdev\n\nBlock devices:\n  8 sd\n");
    std::filesystem::create_directory(dir.file("parport"));
    const KernelFacts all = read_kernel_facts(devices, dir.file("parport"));
    EXPECT_TRUE(all.parport && all.ppdev && all.lp);
    const std::map<unsigned, std::string> drivers{{4, "ttyS"}, {6, "lp"}, {99, "ppdev"}};
    EXPECT_EQ(all.character_drivers, drivers);
    const KernelFacts none = read_kernel_facts(
        dir.write("other", "Character devices:\n 99 ppdevx\n  1 mem\n"), dir.file("no"));
    EXPECT_FALSE(none.parport || none.ppdev || none.lp);
}

}  // namespace
}  // namespace feedrite
