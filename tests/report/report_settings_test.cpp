// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

TEST(ReportSettings, BrokerAddresses) {
    const struct {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"broker", true, "broker", 1883},  {"broker:8883", true, "broker", 8883},
        {"[::1]:1884", true, "::1", 1884}, {"fe80::1", true, "fe80::1", 1883},
        {"broker:0", false, "", 1883},     {"broker:65536", false, "", 1883},
        {"broker:x", false, "", 1883},     {":1883", false, "", 1883},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        MqttSettings s;
        EXPECT_EQ(take_broker_address(c.text, s), c.ok);
        EXPECT_EQ(s.host, c.host);
        EXPECT_EQ(s.port, c.port);
    }
    EXPECT_EQ(topic_word("a/b+c#d\n"), "a_b_c_d_");
}

TEST(ReportSettings, PasswordFileMustBeTheUsersAlone) {
    const testing::TempDir dir;
    const std::string path = dir.write("password", "secret\r\nignored\r\n");
    const struct {
        mode_t mode;
        bool taken;
    } cases[] = {{0600, true}, {0400, true}, {0640, false}, {0604, false}, {0620, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        std::string problem;
        const std::string password = read_password_file(path, problem);
        EXPECT_EQ(password, c.taken ? "secret" : "");
        EXPECT_EQ(problem.find("chmod 600") != std::string::npos, !c.taken) << problem;
    }
    std::string problem;
    EXPECT_EQ(read_password_file(dir.file("none"), problem), "");
    EXPECT_NE(problem.find("cannot be read"), std::string::npos);
}

TEST(ReportSettings, WrittenSettingsReadBackAndBadLinesAreTold) {
    const testing::TempDir dir;
    std::string problem;
    EXPECT_TRUE(read_report_settings(dir.path(), problem).mqtt.host.empty());
    ReportSettings s;
    s.mqtt = {"broker", 8883, "/etc/ca.crt", "shop", "/home/op/pw", "plant/hall 2"};
    s.shdr_port = 7878;
    ASSERT_EQ(write_report_settings(dir.path(), s), "");
    const ReportSettings back = read_report_settings(dir.path(), problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(back.mqtt.host, "broker");
    EXPECT_EQ(back.mqtt.port, 8883);
    EXPECT_EQ(back.mqtt.prefix, "plant/hall 2");
    EXPECT_EQ(back.mqtt.password_file, "/home/op/pw");
    EXPECT_EQ(back.shdr_port, 7878);
    dir.write("Feedrite reporting", "mqtt_host b\nshdr_port 99999\nmqtt_port 1884\n");
    const ReportSettings bad = read_report_settings(dir.path(), problem);
    EXPECT_NE(problem.find("shdr_port 99999"), std::string::npos);
    EXPECT_EQ(bad.shdr_port, 0);
    EXPECT_EQ(bad.mqtt.port, 1884);
}

}  // namespace
}  // namespace feedrite
