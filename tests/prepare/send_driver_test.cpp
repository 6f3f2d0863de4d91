#include "prepare/send_driver.h"

#include <gtest/gtest.h>

#include "btr/block/hilight_line.h"
#include "config/file_io.h"
#include "config/settings_paths.h"
#include "tests/support/device_settings.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::DeviceSettings;
using testing::EngineFixture;
using testing::TempDir;

class SendDriverTest : public ::testing::Test {
protected:
    SendDriverTest() {
        device.code = 2;  // seven bits, no parity: the data lines carry the text itself
        f.port.registers[1] = 0x7F;  // the control is in run
        f.state.IO_device_name = "(default)";
        f.state.filename = dir.file("part.nc");
    }

    /// Runs the driver; the window closes after `cycles` cycles.
    SendOutcome run(int cycles = 1) {
        device.write(dir.path());
        cycles_done = 0;
        SendDriverHooks hooks;
        hooks.at_cycle_end = [&, cycles] {
            if (++cycles_done == cycles) f.state.DNC_reset = DNC_closing;
        };
        SendDriver driver(f.engine, f.settings, module, dir.path(), hooks);
        return driver.send_file();
    }

    /// The characters put on the data lines, idle values left out.
    std::string sent() const {
        std::string text;
        bool started = false;  // the first write is the start-up idle value
        for (const int value : f.port.data_writes()) {
            if (started && value != 0) text += static_cast<char>(value);
            started = true;
        }
        return text;
    }

    TempDir dir;
    DeviceSettings device;
    EngineFixture f;
    ModuleState module;
    int cycles_done = 0;
};

TEST_F(SendDriverTest, OneCycleSendsLeaderBlocksAndTrailer) {
    dir.write("part.nc", "N1 G0\r\nN2 X1\n\n\r\n");
    device.reset = "M30";
    EXPECT_EQ(run(), SendOutcome::Closed);
    // Trailing empty lines are dropped; the empty block at the end still goes.
    EXPECT_EQ(f.view.text(), "N1 G0\r\nN2 X1\r\n");
    EXPECT_EQ(sent(), "%\nN1 G0\r\nN2 X1\r\n\r\n%");
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
}

TEST_F(SendDriverTest, ResetTextRestartsWithoutTrailer) {
    dir.write("part.nc", "N1\r\nN2 M300\r\nN3\r\n");
    EXPECT_EQ(run(2), SendOutcome::Closed);
    EXPECT_EQ(sent(), "%\nN1\r\nN2 M300\r\n%\nN1\r\nN2 M300\r\n");
}

TEST_F(SendDriverTest, EmptyResetTextRestartsAfterTheFirstBlock) {
    dir.write("part.nc", "N1\r\nN2\r\n");
    device.reset = "";
    EXPECT_EQ(run(2), SendOutcome::Closed);
    EXPECT_EQ(sent(), "%\nN1\r\n%\nN1\r\n");
}

TEST_F(SendDriverTest, ReplacesTheFirstOccurrenceOnEachLine) {
    dir.write("part.nc", "G90 G90\r\ng90\r\n");
    device.replace = "G90";
    device.replace_with = "G91";
    for (const bool calls : {true, false}) {
        SCOPED_TRACE(calls ? "with CALL expansion" : "without");
        device.calls = calls;
        run();
        EXPECT_EQ(f.view.text(), "G91 G90\r\ng90\r\n");
    }
}

TEST_F(SendDriverTest, ReplacementTextExpandsControlCodes) {
    dir.write("part.nc", "A\r\n");
    device.replace = "A";
    device.replace_with = "<66>";
    run();
    EXPECT_EQ(f.view.text(), "B\r\n");
}

TEST_F(SendDriverTest, DerivesTheRestOfTheDataOnTime) {
    struct Case {
        double d1, d2, d3, d6;
    };
    for (const Case c : {Case{100, 30, 10, 60}, Case{20, 30, 10, 0}}) {
        dir.write("part.nc", "");
        device.delay1 = c.d1;
        device.delay2 = c.d2;
        device.delay3 = c.d3;
        run();
        EXPECT_EQ(f.settings.BTRdelay6, c.d6);
    }
}

TEST_F(SendDriverTest, UnconfiguredPortTouchesNothing) {
    struct Case {
        const char* name;
        std::function<void(DeviceSettings&)> change;
    };
    const Case cases[] = {
        {"address 0", [](DeviceSettings& d) { d.address = 0; }},
        {"no data-on count", [](DeviceSettings& d) { d.delay1 = 0; }},
        {"no sprocket-on count", [](DeviceSettings& d) { d.delay2 = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineFixture fresh;
        DeviceSettings settings;
        c.change(settings);
        settings.write(dir.path());
        fresh.state.IO_device_name = "(default)";
        SendDriver driver(fresh.engine, fresh.settings, module, dir.path());
        EXPECT_EQ(driver.send_file(), SendOutcome::NotConfigured);
        EXPECT_TRUE(fresh.port.events.empty());
        ASSERT_EQ(fresh.host.messages.size(), 1u);
        EXPECT_EQ(fresh.host.messages[0].title, "BTR port error");
        EXPECT_EQ(fresh.host.messages[0].text,
                  "BTR port has not been configured.\nUse BTR/Configure selection to define a port.");
        EXPECT_EQ(fresh.host.close_requests, 0);  // the window stays at "Loading..."
    }
}

TEST_F(SendDriverTest, MissingSettingsFileOfANamedDevice) {
    f.state.IO_device_name = "LATHE 2";
    dir.write("part.nc", "N1\r\n");
    EXPECT_EQ(run(), SendOutcome::NotConfigured);  // only "(default)" was written
    device.write(dir.path(), "LATHE 2");
    f.host.messages.clear();
    EXPECT_EQ(run(), SendOutcome::Closed);
    EXPECT_TRUE(f.host.messages.empty());
}

TEST_F(SendDriverTest, UnknownCodeSetIsRefused) {
    dir.write("part.nc", "N1\r\n");
    device.code = 7;
    EXPECT_EQ(run(), SendOutcome::NotConfigured);
    EXPECT_TRUE(f.port.events.empty());
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_NE(f.host.messages[0].text.find("unknown character code 7"), std::string::npos);
}

TEST_F(SendDriverTest, PortThatCannotBeOpenedIsReportedWithItsCause) {
    dir.write("part.nc", "N1\r\n");
    f.port.open_result = {PortErrorCode::PermissionDenied, "Cannot open /dev/parport0: add yourself to lp"};
    EXPECT_EQ(run(), SendOutcome::PortUnavailable);
    EXPECT_EQ(f.port.writes(), "");
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].text, "Cannot open /dev/parport0: add yourself to lp");
}

TEST_F(SendDriverTest, LoadFailuresNameTheScratchpadAndCloseTheWindow) {
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "text");
        EngineFixture fresh;
        fresh.state.IO_device_name = "(default)";
        fresh.state.filename = dir.file("missing.nc");
        fresh.state.Binaryfile = binary;
        device.write(dir.path());
        SendDriver driver(fresh.engine, fresh.settings, module, dir.path());
        EXPECT_EQ(driver.send_file(), SendOutcome::LoadFailed);
        ASSERT_EQ(fresh.host.messages.size(), 1u);
        EXPECT_EQ(fresh.host.messages[0].title, "Disk write error");
        EXPECT_EQ(fresh.host.messages[0].text, "Cannot access file\n" + dir.file("scratchpad data 5b"));
        EXPECT_EQ(fresh.host.close_requests, 1);
        EXPECT_FALSE(file_exists(dir.file("missing.nc")));  // not created empty
        EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
    }
}

TEST_F(SendDriverTest, BinaryFileIsSentOnceAsItIs) {
    f.state.Binaryfile = true;
    dir.write("part.nc", std::string("\x01\xE9\x7F", 3));
    std::string shown_before_run;
    f.port.status = [&](int n) {
        if (n == 1) shown_before_run = f.view.text();
        return 0x7F;
    };
    EXPECT_EQ(run(), SendOutcome::Sent);
    EXPECT_EQ(shown_before_run, "Ready to send binary file\r\n" + dir.file("part.nc") + "\r\n(3 bytes )");
    EXPECT_EQ(sent(), "\x01\xE9\x7F");
    EXPECT_EQ(f.view.text(), "Bytes sent:  3");
    EXPECT_EQ(f.host.close_requests, 1);
}

TEST_F(SendDriverTest, ACaretPlacedWhileWaitingChoosesTheFirstBlock) {
    dir.write("part.nc", "N1\r\nN2\r\nN3\r\nN4\r\nN5\r\nN6 M30\r\n");
    f.host.at_yield(1, [&] {  // while the driver waits for the first run
        f.view.set_selection_start(17);  // inside "N5"
        hilight_line(f.view, f.state);
    });
    run();
    EXPECT_EQ(sent(), "%\nN5\r\nN6 M30\r\n");
}

TEST_F(SendDriverTest, ResetRequestWhileWaitingRestartsTheWait) {
    dir.write("part.nc", "N1 M30\r\n");
    int reads = 0;
    f.port.status = [&](int) {
        if (++reads == 2) f.state.DNC_reset = DNC_restart;  // the Reset panel
        return reads < 3 ? 0x80 : 0x7F;
    };
    run(1);
    EXPECT_EQ(sent(), "%\nN1 M30\r\n");
    EXPECT_EQ(cycles_done, 1);  // the reset before any run ended no cycle
}

TEST_F(SendDriverTest, ClosingDuringABlockEndsTheCycle) {
    dir.write("part.nc", "N1\r\nN2\r\n");
    f.host.at_yield(4, [&] { f.state.DNC_reset = DNC_closing; });  // inside the leader
    EXPECT_EQ(run(5), SendOutcome::Closed);
    EXPECT_EQ(sent(), "%");  // the character under way is finished, nothing more
}

TEST_F(SendDriverTest, SubFilesAreExpandedNextToTheMainProgram) {
    dir.write("part.nc", "N1\r\nCALL SUB1\r\nN3\r\n");
    dir.write("SUB1", "S1\r\nM30\r\n");
    run();
    EXPECT_EQ(f.view.text(),
              "N1\r\n(BEGINNING OF SUB FILE SUB1)\r\nS1\r\n(END OF SUB FILE SUB1)\r\nN3\r\n");
    EXPECT_TRUE(module.CALL_expanded);
}

TEST_F(SendDriverTest, AFailedSubFileEndsTheLoadWithItsOwnMessage) {
    dir.write("part.nc", "N1\r\nCALL NOWHERE\r\n");
    EXPECT_EQ(run(), SendOutcome::SubFileFailed);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].title, "Sub file error");
    EXPECT_EQ(f.host.close_requests, 1);
    EXPECT_EQ(sent(), "");
    EXPECT_FALSE(file_exists(dir.file("scratchpad data 5b")));
}

TEST_F(SendDriverTest, WithoutCallsTheFileGoesOverWhole) {
    dir.write("part.nc", "N1\rN2\nCALL X\r\n\r\n");
    device.calls = false;
    run();
    EXPECT_EQ(f.view.text(), "N1\r\nN2\r\nCALL X\r\n");
    EXPECT_FALSE(module.CALL_expanded);
}

TEST(SendDriverHelpers, ResetTextAndReplacement) {
    EXPECT_TRUE(holds_reset_text("N100 M30", "M30"));
    EXPECT_TRUE(holds_reset_text("N100 M300", "M30"));
    EXPECT_FALSE(holds_reset_text("N100 m30", "M30"));
    EXPECT_TRUE(holds_reset_text("N1", ""));
    EXPECT_FALSE(holds_reset_text("", ""));
    EXPECT_EQ(replace_first("G90 G90", "G90", "G91"), "G91 G90");
    EXPECT_EQ(replace_first("g90", "G90", "G91"), "g90");
    EXPECT_EQ(replace_first("abc", "", "X"), "abc");
}

}  // namespace
}  // namespace feedrite
