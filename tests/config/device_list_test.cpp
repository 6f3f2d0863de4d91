// Device names, the device list file and removing a device.
#include "config/device_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/settings_paths.h"
#include "tests/config/config_test_files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::ScriptedHost;
using testing::TempDir;

TEST(DeviceList, FileNamesFollowTheDeviceName) {
    EXPECT_EQ(settings_path("/p", "(default)"), "/p/Editor BTR port settings");
    EXPECT_EQ(settings_path("/p", " Mill 1 "), "/p/Editor BTR port settings for  Mill 1 ");
    EXPECT_EQ(device_list_path("/p"), "/p/Editor BTR device list");
    EXPECT_EQ(device_list_temp_path("/p"), "/p/Editor BTR device list (tempfile)");
}

TEST(DeviceList, ReadingSkipsEmptyLinesAndKeepsDuplicates) {
    TempDir dir;
    ScriptedHost host;
    ConfigModel m(host);
    m.IO_device_lst = {"(default)", "stale"};
    m.IO_device_index = 1;
    read_device_list(m, dir.path());  // no file
    EXPECT_EQ(m.IO_device_lst, std::vector<std::string>{"(default)"});
    EXPECT_EQ(m.IO_device_index, 0);

    dir.write("Editor BTR device list", "Mill\r\n\r\n Lathe \nMill\r\xE9\r\n");
    read_device_list(m, dir.path());
    EXPECT_EQ(m.IO_device_lst,
              (std::vector<std::string>{"(default)", "Mill", " Lathe ", "Mill", "\xE9"}));

    m.IO_device_lst.push_back("");
    ASSERT_TRUE(write_device_list(m, dir.path(), host));
    EXPECT_EQ(dir.read("Editor BTR device list"), "Mill\r\n Lathe \r\nMill\r\n\xE9\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST(DeviceList, RemovingDropsEveryExactMatchAndTheSettingsFile) {
    TempDir dir;
    ScriptedHost host;
    dir.write("Editor BTR device list", "Mill\r\n\r\nLathe\r\nMill\r\nmill");
    dir.write("Editor BTR port settings for Mill", "x");
    dir.write("Editor BTR port settings for mill", "x");
    ASSERT_TRUE(remove_device(dir.path(), "Mill", host));
    EXPECT_EQ(dir.read("Editor BTR device list"), "\r\nLathe\r\nmill\r\n");
    EXPECT_EQ(dir.read("Editor BTR port settings for Mill"), "<missing>");
    EXPECT_EQ(dir.read("Editor BTR port settings for mill"), "x");
    EXPECT_EQ(dir.read("Editor BTR device list (tempfile)"), "<missing>");

    EXPECT_TRUE(remove_device(dir.path(), "Lathe", host));  // it has no settings file
    EXPECT_EQ(dir.read("Editor BTR device list"), "\r\nmill\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST(DeviceList, FailedUpdateKeepsListAndSettingsFile) {
    struct Case {
        const char* name;
        bool list_exists;
    };
    for (const Case c : {Case{"temporary list blocked", true}, Case{"no list file", false}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ScriptedHost host;
        if (c.list_exists) dir.write("Editor BTR device list", "Mill\r\n");
        dir.write("Editor BTR port settings for Mill", "x");
        // A folder in its place makes the temporary list unwritable, even for root.
        ASSERT_EQ(::mkdir(dir.file("Editor BTR device list (tempfile)").c_str(), 0755), 0);
        EXPECT_FALSE(remove_device(dir.path(), "Mill", host));
        testing::expect_one_message(host, "Cannot update I/O Device list file", "File write errror",
                                    MessageIcon::None);
        EXPECT_EQ(dir.read("Editor BTR device list"), c.list_exists ? "Mill\r\n" : "<missing>");
        EXPECT_EQ(dir.read("Editor BTR port settings for Mill"), "x");
    }
}

TEST(DeviceList, TheDefaultDeviceIsNeverRemoved) {
    TempDir dir;
    ScriptedHost host;
    dir.write("Editor BTR device list", "(default)\r\n");
    dir.write("Editor BTR port settings", "x");
    EXPECT_FALSE(remove_device(dir.path(), "(default)", host));
    EXPECT_EQ(dir.read("Editor BTR port settings"), "x");
    EXPECT_EQ(dir.read("Editor BTR device list"), "(default)\r\n");
}

}  // namespace
}  // namespace feedrite
