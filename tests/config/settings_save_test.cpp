// Saving the dialog's state and reading it back through both readers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <vector>

#include "config/file_io.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_paths.h"
#include "config/settings_writer.h"
#include "tests/config/config_test_files.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::ScriptedHost;
using testing::TempDir;

// The default configuration, to be saved into a fresh folder.
class SettingsSaveDefaults : public ::testing::Test {
protected:
    SettingsSaveDefaults() { default_settings(m); }
    [[nodiscard]] std::string default_path() const {
        return settings_path(dir.path(), default_device_name);
    }
    void expect_write_failure(const std::string& path) const {
        testing::expect_one_message(host, "Unable to write to file\n" + path, "File write error",
                                    MessageIcon::Exclamation);
    }
    TempDir dir;
    ScriptedHost host;
    ConfigModel m{host};
};

TEST_F(SettingsSaveDefaults, WritesEveryLineInItsExactForm) {
    m.delay1 = 1200, m.delay2 = 800, m.delay3 = 200, m.delay5 = 5000;
    m.IO_device_lst = {default_device_name, "Mill 1", "", "Lathe"};
    ASSERT_TRUE(saveit(m, default_path(), dir.path(), host));
    EXPECT_EQ(dir.read("Editor BTR port settings"),
              " 0\r\n 1200\r\n 800\r\n 200\r\n 0\r\n 5000\r\n3.33\r\n2.2\r\n.565\r\n0\r\n"
              " 888\r\n%LF\r\n%\r\n 0\r\n 0\r\n300\r\n0\r\nM30\r\n\r\n\r\n 1\r\n 0\r\n 0\r\n"
              " 1 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n\r\n\r\n 0 \r\n");
    EXPECT_EQ(dir.read("Editor BTR device list"), "Mill 1\r\nLathe\r\n");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SettingsSaveDefaults, UnwritableSettingsFileLeavesTheDeviceListAlone) {
    const std::string path = dir.file("gone") + "/Editor BTR port settings";
    EXPECT_FALSE(saveit(m, path, dir.path(), host));
    expect_write_failure(path);
    EXPECT_EQ(dir.read("Editor BTR device list"), "<missing>");
}

TEST_F(SettingsSaveDefaults, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; run as a user";
    dir.write("Editor BTR port settings", "old\r\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_FALSE(saveit(m, default_path(), dir.path(), host));
    expect_write_failure(default_path());
    EXPECT_EQ(dir.read("Editor BTR port settings"), "old\r\n");
}

TEST_F(SettingsSaveDefaults, UnwritableDeviceListIsReportedByName) {
    // A folder of the list's name makes the rename over it fail, even for root.
    ASSERT_EQ(::mkdir(device_list_path(dir.path()).c_str(), 0755), 0);
    EXPECT_FALSE(saveit(m, default_path(), dir.path(), host));
    expect_write_failure(device_list_path(dir.path()));
    EXPECT_NE(dir.read("Editor BTR port settings"), "<missing>");
}

void iso_setup(ConfigModel& m) {
    m.choose_port(LPT_other);
    m.address = 760.7f;
    m.delay1 = 1234, m.delay2 = 567, m.delay3 = 89, m.delay4 = 10, m.delay5 = 20000;
    m.Data_on_txt = "3.5", m.Sprocket_on_txt = "1.5", m.Sprocket_overlap_txt = ".25";
    m.Data_off_txt = "1", m.EOB_delay_txt = "12", m.CPS_txt = " 250";
    m.leader_txt = "%\xE9LF", m.Trailer_txt = "\xB0%", m.Reset_on_txt = "M02 ";
    m.mask_txt = "; \xE9", m.format_txt = "##.###";
    m.Replace_txt = "A\xB0", m.Replace_with_txt = "B^M\xFF";
    m.set_ticked(Tick::chk_even, true);
    m.set_ticked(Tick::chk_CRLF, true);
    for (const Tick box :
         {Tick::Chk_Data_Neg, Tick::Chk_Sprocket_Neg, Tick::Chk_RunStop_Neg, Tick::Chk_ready_neg,
          Tick::Chk_Async, Tick::Chk_comments, Tick::Chk_format, Tick::Chk_long_files})
        m.set_ticked(box, true);
}

void iso_check(const PortSettings& s, bool calls) {
    EXPECT_EQ(s.BTRportnumber, 5);
    EXPECT_EQ(s.BTRaddress, 761);
    EXPECT_EQ((std::vector{s.BTRdelay1, s.BTRdelay2, s.BTRdelay3, s.BTRdelay4, s.BTRdelay5}),
              (std::vector<double>{1234, 567, 89, 10, 20000}));
    EXPECT_EQ(s.BTRleader + "|" + s.BTRtrailer + "|" + s.BTRcps, "%\xE9LF|\xB0%| 250");
    EXPECT_EQ(s.BTRreset + "|" + s.BTRmask + "|" + s.BTRformat, "M02 |; \xE9|##.###");
    EXPECT_EQ(s.BTRcode, 0);
    EXPECT_EQ(s.BTReob, "\r\n");
    EXPECT_TRUE(s.BTRmaskcomments && !calls);
    EXPECT_FALSE(s.Data_logic || s.Sprocket_logic || s.RunStop_logic || s.Ready_logic);
    EXPECT_TRUE(s.Remex_async && s.Send_long_file);
    EXPECT_EQ(s.Replace_text + "|" + s.Replace_with_text, "A\xB0|B^M\xFF");
}

void eia_setup(ConfigModel& m) {
    default_settings(m);
    m.choose_port(1);
    m.format_txt = "#.##";
    m.set_ticked(Tick::chk_EIA, true);
    m.set_ticked(Tick::chk_LF, true);  // ticked under EIA, as presets may
    m.set_ticked(Tick::chk_CR, true);
    m.set_ticked(Tick::Chk_Data_Neg, true);
}

void eia_check(const PortSettings& s, bool calls) {
    EXPECT_EQ(s.BTRportnumber, 2);
    EXPECT_EQ(s.BTRaddress, 632);
    EXPECT_EQ(s.BTRcode, 3);
    EXPECT_EQ(s.BTReob, "\r");   // of two ticked boxes the later code counts
    EXPECT_EQ(s.BTRformat, "");  // Auto format off empties it
    EXPECT_TRUE(calls && !s.Data_logic && s.Sprocket_logic && !s.Remex_async);
}

TEST(SettingsSave, EveryFieldSurvivesBothReaders) {
    struct Case {
        const char* name;
        std::function<void(ConfigModel&)> setup;
        std::function<void(const PortSettings&, bool calls)> check;
        const char* line11;  // the digits a single-precision address holds
    };
    const Case cases[] = {{"ISO, other port, all options", iso_setup, iso_check, " 760.7"},
                          {"EIA, LPT2", eia_setup, eia_check, " 632"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ScriptedHost host;
        ConfigModel saved(host), loaded(host);
        c.setup(saved);
        const auto path = settings_path(dir.path(), "Mill 1");
        ASSERT_TRUE(saveit(saved, path, dir.path(), host));
        const std::string first = dir.read("Editor BTR port settings for Mill 1");
        EXPECT_EQ(split_lines(first).at(10), c.line11);

        ASSERT_TRUE(load_settings(loaded, path, host));
        EXPECT_EQ(loaded.Replace_with_txt, saved.Replace_with_txt);
        ASSERT_TRUE(saveit(loaded, path, dir.path(), host));
        EXPECT_EQ(dir.read("Editor BTR port settings for Mill 1"), first);  // nothing lost

        PortSettings record;
        bool calls = false;
        ASSERT_TRUE(read_port_settings(path, record, calls));
        c.check(record, calls);
        EXPECT_TRUE(host.messages.empty());
    }
}

}  // namespace
}  // namespace feedrite
