#include "btr/port/ppdev_device.h"

#include <gtest/gtest.h>
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <cerrno>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

TEST(PpdevDevice, ListsTheKernelsPortsByTheFirstNumberOfBaseAddr) {
    testing::TempDir proc;
    const std::pair<const char*, const char*> dirs[] = {
        {"parport1", "632\t1656\n"}, {"parport0", "  888\t1912\n"}, {"default", "1\n"},
        {"parportx", "2\n"},         {"parport2", "none\n"},        {"parport3", ""}};
    for (const auto& [dir, base_addr] : dirs) {
        std::filesystem::create_directory(proc.file(dir));
        proc.write(std::string(dir) + "/base-addr", base_addr);
    }
    const auto ports = make_system_ppdev_device(proc.path(), "/devices")->ports();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].device, "/devices/parport0");
    EXPECT_EQ(ports[0].base, 888);
    EXPECT_EQ(ports[1].device, "/devices/parport1");
    EXPECT_EQ(ports[1].base, 632);
}

TEST(PpdevDevice, SystemCallsReportTheirErrno) {
    testing::TempDir dir;
    auto device = make_system_ppdev_device(dir.path(), dir.path());
    EXPECT_TRUE(device->ports().empty());
    EXPECT_EQ(device->ioctl(PPCLAIM, nullptr), EBADF) << "nothing open yet";
    EXPECT_EQ(device->open(dir.file("parport0")), ENOENT);
    ASSERT_EQ(device->open(dir.write("plain", "x")), 0);
    unsigned char byte = 0;
    EXPECT_EQ(device->ioctl(PPRSTATUS, &byte), ENOTTY) << "a plain file is no parallel port";
}

}  // namespace
}  // namespace feedrite
