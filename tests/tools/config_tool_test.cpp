// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/config_tool.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tools/port_check_tool.h"

namespace feedrite {
namespace {

using testing::TempDir;

struct ConfigRun {
    int status;
    std::string out, errors;
};

class ConfigToolTest : public ::testing::Test {
  protected:
    // A PC whose best second is 200,000 passes: rate 242447.
    ConfigRun config(std::vector<std::string> options) {
        std::vector<std::string> args{"--program-dir", dir.path()};
        args.insert(args.end(), options.begin(), options.end());
        std::ostringstream out, errors;
        const int status = run_config(
            args, host,
            [this](int seconds, const SecondsLeft& tell) {
                tested_seconds.push_back(seconds);
                tell(seconds);
                return SpeedTest{counts};
            },
            out, errors);
        return {status, out.str(), errors.str()};
    }
    [[nodiscard]] std::string settings_of(const std::string& device) const {
        return dir.read(device == "(default)" ? "Editor BTR port settings"
                                              : "Editor BTR port settings for " + device);
    }

    TempDir dir;
    testing::ScriptedHost host;
    std::vector<int> tested_seconds;
    std::vector<std::int32_t> counts{200000};
};

TEST_F(ConfigToolTest, NewDeviceGetsThePresetThePortAndTheCountsOfTheSpeedTest) {
    const ConfigRun run = config({"--device", "Mill 1", "--preset", "fanuc", "--port", "lpt2",
                                  "--rapid", "9000.5", "--calibrate"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(tested_seconds, std::vector<int>{10});
    EXPECT_EQ(settings_of("Mill 1"),
              " 1\r\n 808\r\n 534\r\n 137\r\n 0\r\n 0\r\n3.33\r\n2.2\r\n.565\r\n0\r\n 632\r\n"
              "%LF\r\n%\r\n 0\r\n 0\r\n 300\r\n0\r\nM30\r\n\r\n\r\n 1\r\n 0\r\n 0\r\n 1 \r\n"
              " 1 \r\n 1 \r\n 1 \r\n 0 \r\n\r\n\r\n 0 \r\n9000.5\r\n1\r\n0.1\r\n 1 \r\n\r\n");
    EXPECT_EQ(dir.read("Editor BTR device list"), "Mill 1\r\n");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_NE(run.errors.find("10 seconds left\nSpeed test: 242447 delay passes per second; "
                              "speed 300 cps.\n"),
              std::string::npos)
        << run.errors;
}

// An unknown device cannot be shown.
TEST_F(ConfigToolTest, ExistingDeviceKeepsWhatIsNotChanged) {
    ASSERT_EQ(
        config({"--device", "Lathe", "--preset", "yasnac", "--address", "3bc", "--quick"}).status,
        0);
    EXPECT_EQ(tested_seconds, std::vector<int>{1});
    // Named in another case: the listed entry is the one updated.
    const ConfigRun run = config({"--device", "LATHE", "--data-off", "1.5", "--quick", "--show"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(dir.read("Editor BTR device list"), "Lathe\r\n");
    EXPECT_NE(run.out.find("Device            Lathe\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("address 3BC"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Data off          1.5 ms (364 loops)"), std::string::npos) << run.out;
    EXPECT_NE(settings_of("Lathe").find("\r\n 956\r\n"), std::string::npos);  // line 11: address
    const ConfigRun unknown = config({"--device", "Nothing", "--show"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.errors.find("no device Nothing"), std::string::npos);
    EXPECT_TRUE(unknown.out.empty());
}

// Apply's checks refuse before the speed test; a time the delay loop cannot
// count is refused like a wrong one, naming the limit.
TEST_F(ConfigToolTest, ApplysChecksRefuseAndNothingIsWritten) {
    EXPECT_EQ(config({"--data-on", "10000.5", "--calibrate"}).status, 1);
    EXPECT_EQ(host.messages, testing::told("Invalid entry for data on time\n(at most 10000 ms)",
                                           "Entry error", MessageIcon::Exclamation));
    EXPECT_TRUE(tested_seconds.empty());
    EXPECT_EQ(settings_of("(default)"), "<missing>");
}

TEST_F(ConfigToolTest, UsageErrorsChangeNothing) {
    const std::vector<std::vector<std::string>> bad = {
        {"--preset", "fanuc"},  // a change without the speed test
        {"--port", "LPT1", "--address", "378", "--quick"},
        {"--data-on", "-1", "--quick"},
        {"--rapid", "0", "--quick"},
        {"--preset", "haas", "--quick"},
        {"--port", "COM1", "--quick"},
        {"--address", "9", "--quick"},          // Apply's typed-address rule
        {"--device", "../../../x", "--quick"},  // the dialog's device-name rules
        {"--quick", "stray"},
        {"--quick", "--calibrate"},  // the 1-second and the 10-second test at once
        {"--calibrate", "--quick"},
        {"--mqtt", "broker:0"},
        {"--mqtt", "broker", "--no-mqtt"},
        {"--shdr=70000"},
        {"--mqtt-prefix", "plant/#"},
        {},
    };
    for (const auto& args : bad) {
        const ConfigRun run = config(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(run.errors.find("Usage: feedrite-config"), std::string::npos);
    }
    EXPECT_TRUE(tested_seconds.empty());
    EXPECT_EQ(dir.read("Editor BTR device list"), "<missing>");
    EXPECT_EQ(dir.read("Feedrite reporting"), "<missing>");
}

TEST_F(ConfigToolTest, ReportingOptionsChangeOnlyWhatTheyName) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* file;  ///< the settings file's lines after the comment
    } steps[] = {
        {{"--mqtt-ca", "/ca.crt"}, 1, "<missing>"},  // no broker to use it with
        {{"--mqtt", "broker", "--mqtt-ca", "/ca.crt", "--shdr"},
         0,
         "mqtt_host broker\r\nmqtt_ca_file /ca.crt\r\nmqtt_prefix feedrite\r\nmqtt_port "
         "8883\r\nshdr_port 7878\r\n"},
        {{"--mqtt-user", "op"}, 1, nullptr},  // a login needs its password file
        {{"--no-shdr", "--mqtt-prefix", "plant/hall 2"},
         0,
         "mqtt_host broker\r\nmqtt_ca_file /ca.crt\r\nmqtt_prefix plant/hall 2\r\nmqtt_port "
         "8883\r\n"},
        {{"--no-mqtt", "--shdr", "7900"}, 0, "shdr_port 7900\r\n"},
    };
    std::string last = "<missing>";
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args[0]);
        const ConfigRun run = config(step.args);
        EXPECT_EQ(run.status, step.status) << run.errors;
        std::string file = dir.read("Feedrite reporting");
        if (file != "<missing>") file.erase(0, file.find('\n') + 1);
        EXPECT_EQ(file, step.file ? std::string(step.file) : last);
        last = file;
    }
}

// Ports at 378 and 278 that open, claim and read.
struct TwoPorts final : PpdevDevice {
    std::vector<ParportEntry> ports() override {
        return {{"/dev/parport0", 0x378}, {"/dev/parport1", 0x278}};
    }
    int open(const std::string&) override { return 0; }
    int ioctl(unsigned long, unsigned char*) override { return 0; }
    void close() override {}
};

TEST_F(ConfigToolTest, CheckPortFindsThePortByNameAddressOrTheDevice) {
    ASSERT_EQ(config({"--port", "LPT2", "--quick"}).status, 0);
    // The arguments after --check-port, the exit status, what it prints.
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, 0, "Checking /dev/parport1 (at 278 hex)."},
        {{"lpt1"}, 0, "The device is set to address 278 hex, this port is at 378 hex"},
        {{"3BC"}, 1, "No parallel port at address 3BC hex"},
        {{"LPT4"}, 1, "No parallel port at address 2E8 hex"},  // as --port takes it
        {{"LPT5"}, 2, ""},
        {{"378", "--quick"}, 2, ""},
    };
    for (const auto& [words, status, says] : cases) {
        std::vector<std::string> args{"--check-port"};
        args.insert(args.end(), words.begin(), words.end());
        args.insert(args.end(), {"--program-dir", dir.path()});
        TwoPorts device;
        std::ostringstream out, errors;
        EXPECT_EQ(run_port_check(args, host, device, {true, true, false}, out, errors), status)
            << errors.str();
        EXPECT_NE(out.str().find(says), std::string::npos) << out.str();
    }
}

}  // namespace
}  // namespace feedrite
