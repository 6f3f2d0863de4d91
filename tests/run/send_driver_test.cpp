// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/send_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_io.h"
#include "btr/block/hilight_line.h"
#include "config/settings_paths.h"
#include "edit/edit_mode.h"
#include "run/device_settings.h"
#include "tests/support/device_settings.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::DeviceSettings;
using testing::EngineFixture;
using testing::told;

const std::string not_configured =
    "BTR port has not been configured.\nUse BTR/Configure selection to define a port.\n";

struct Rig {
    Rig() {
        device.code = 2;             // seven bits, no parity: the data lines carry the text itself
        f.port.registers[1] = 0x7F;  // the control is in run
        f.state.IO_device_name = "(default)";
        f.state.filename = dir.file("part.nc");
    }

    std::function<void()> check_port;  ///< offered on a port error when set

    /// Runs the driver; the window closes after `cycles` cycles.
    SendOutcome run(int cycles = 1) {
        device.write(dir.path());
        cycles_done = 0;
        SendDriverHooks hooks;
        hooks.at_cycle_end = [&, cycles] {
            if (++cycles_done == cycles) f.state.DNC_reset = DNC_closing;
        };
        hooks.resume = &resume;
        hooks.check_port = check_port;
        // As the session does: the port is started over the finished record.
        const auto read = read_device_settings(f.engine, dir.path());
        if (!read) return SendOutcome::NotConfigured;
        f.settings = *read;
        return SendDriver(f.engine, module, dir.path(), hooks).send_file();
    }

    /// The characters put on the data lines, idle values left out.
    std::string sent() const {
        std::string text;
        const auto data = f.port.data_writes();  // the first is the start-up idle value
        for (std::size_t i = 1; i < data.size(); ++i)
            if (data[i] != 0) text += static_cast<char>(data[i]);
        return text;
    }

    testing::TempDir dir;
    DeviceSettings device;
    EngineFixture f;
    ModuleState module;
    ResumeRequest resume;
    int cycles_done = 0;
};

class SendDriverTest : public ::testing::Test, public Rig {};

// The view shows the loaded program; the cycle sends leader, blocks, trailer.
TEST(SendDriver, TextProgramsLoadAndCycle) {
    struct Case {
        const char* name;
        std::string program;
        void (*change)(Rig&);
        int cycles;
        const char *view, *sent;
    };
    const auto none = [](Rig&) {};
    const auto replace = [](Rig& r) { r.device.replace = "G90", r.device.replace_with = "G91"; };
    // clang-format off
    const Case cases[] = {
        // Trailing empty lines are dropped; the empty block at the end still goes.
        {"one cycle", "N1 G0\r\nN2 X1\n\n\r\n", none, 1, "N1 G0\r\nN2 X1\r\n",
         "%\nN1 G0\r\nN2 X1\r\n\r\n%"},
        {"reset text restarts without trailer; case counts", "N1 m30\r\nN2 M300\r\nN3\r\n", none,
         2, "N1 m30\r\nN2 M300\r\nN3\r\n", "%\nN1 m30\r\nN2 M300\r\n%\nN1 m30\r\nN2 M300\r\n"},
        {"empty reset text restarts after the first block not empty", "\r\nN1\r\nN2\r\n",
         [](Rig& r) { r.device.reset = ""; }, 2, "\r\nN1\r\nN2\r\n", "%\n\r\nN1\r\n%\n\r\nN1\r\n"},
        {"first occurrence replaced on each line", "G90 G90\r\ng90\r\n", replace, 1,
         "G91 G90\r\ng90\r\n", nullptr},
        {"replaced without CALL expansion too", "G90 G90\r\ng90\r\n",
         [](Rig& r) { r.device.replace = "G90", r.device.replace_with = "G91", r.device.calls = false; }, 1,
         "G91 G90\r\ng90\r\n", nullptr},
        {"replacement expands control codes", "A\r\n",
         [](Rig& r) { r.device.replace = "A", r.device.replace_with = "<66>"; }, 1, "B\r\n",
         nullptr},
        {"without CALLs the file goes over whole", "N1\rN2\nCALL X\r\n\r\n",
         [](Rig& r) { r.device.calls = false; }, 1, "N1\r\nN2\r\nCALL X\r\n", nullptr},
        {"the named device's own settings file", "N1\r\n",
         [](Rig& r) { r.f.state.IO_device_name = "LATHE 2", r.device.write(r.dir.path(), "LATHE 2"); },
         1, "N1\r\n", nullptr},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.dir.write("part.nc", c.program);
        c.change(r);
        EXPECT_EQ(r.run(c.cycles), SendOutcome::Closed);
        EXPECT_EQ(r.f.view.text(), c.view);
        if (c.sent != nullptr) {
            EXPECT_EQ(r.sent(), c.sent);
        }
        EXPECT_FALSE(r.module.CALL_expanded);  // no CALL was expanded
        EXPECT_TRUE(r.f.host.messages.empty());
    }
}

// A line picked while the driver waits for the control wins over a pending
// resume, which is then dropped.
TEST_F(SendDriverTest, ALinePickedWhileWaitingWinsOverAResume) {
    dir.write("part.nc", "A\r\nB\r\nC\r\n");
    resume = {true, 6, {"P1", "P2"}};
    f.host.at_yield(1, [&] { f.state.Live_DNC_startpoint = 3; });
    run(2);
    EXPECT_EQ(sent(), "%\nB\r\nC\r\n\r\n%%\nA\r\nB\r\nC\r\n\r\n%");
    EXPECT_FALSE(resume.pending);
}

// The millisecond lines are the delays' set times; a line that is no time
// leaves that delay unguarded, and a guarded engine says so once. The count
// for the rest of the data-on time is data-on less sprocket-on (30) less
// overlap (10), never below zero.
TEST(SendDriver, SetTimesFromTheMillisecondLines) {
    using Ms = std::optional<double>;
    struct Case {
        std::string on, sprocket, off, eob;
        Ms rest;
        const char* told;  // the lines named, "" for no message
        double delay1, delay6;
    } cases[] = {
        {"3.33", "2.2", "0", "0", .565, "", 100, 60},
        {" 2 ", "2.2", "1.5", "12", 0.0, "", 20, 0},  // never below zero
        {"3,3", "2.2", "0", "", std::nullopt, "lines 7, 17", 100, 60},
        {"3.33", "2.2ms", "0", "0", std::nullopt, "line 8", 100, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.on + "|" + c.sprocket);
        Rig r;
        SteadyClock clock;
        r.f.engine.clock = &clock;
        r.dir.write("part.nc", "");
        r.device.data_on_ms = c.on, r.device.sprocket_on_ms = c.sprocket;
        r.device.data_off_ms = c.off, r.device.eob_delay_ms = c.eob;
        r.device.delay1 = c.delay1;
        r.run();
        EXPECT_EQ(r.f.settings.BTRdelay6, c.delay6);
        const Ms rest = r.f.settings.set_ms(DelayKind::rest_of_data_on);
        EXPECT_EQ(rest.has_value(), c.rest.has_value());
        EXPECT_NEAR(rest.value_or(-1), c.rest.value_or(-1), 1e-12);
        ASSERT_EQ(r.f.host.messages.size(), *c.told == '\0' ? 0u : 1u);
        const std::string told =
            std::string("The settings of device (default) hold no time in milliseconds on ") +
            c.told + ".";
        for (const auto& m : r.f.host.messages)
            EXPECT_EQ(m.title + "|" + m.text.substr(0, told.size()), "BTR timing|" + told);
    }
}

// Nothing is written, the user is told why, and the window stays at "Loading...".
TEST(SendDriver, UnusableSettingsOrPortTouchNothing) {
    struct Case {
        const char* name;
        void (*change)(Rig&);
        SendOutcome outcome;
        std::string message;
    };
    const Case cases[] = {
        {"address 0", [](Rig& r) { r.device.address = 0; }, SendOutcome::NotConfigured,
         not_configured + "Device: (default)"},
        {"no data-on count", [](Rig& r) { r.device.delay1 = 0; }, SendOutcome::NotConfigured,
         not_configured + "Device: (default)"},
        {"no sprocket-on count", [](Rig& r) { r.device.delay2 = 0; }, SendOutcome::NotConfigured,
         not_configured + "Device: (default)"},
        {"a count out of range", [](Rig& r) { r.device.delay2 = -5; }, SendOutcome::NotConfigured,
         not_configured + "Unable to read line 3 of "},
        {"a name that leaves the program directory",
         [](Rig& r) { r.f.state.IO_device_name = "../(default)"; }, SendOutcome::NotConfigured,
         not_configured + "A device name cannot hold \"/\""},
        {"unknown code set", [](Rig& r) { r.device.code = 7; }, SendOutcome::NotConfigured,
         "BTR port settings hold the unknown character code 7.\nUse BTR/Configure selection to "
         "choose EIA or ASCII/ISO."},
        {"unknown end of block", [](Rig& r) { r.device.eob = 4; }, SendOutcome::NotConfigured,
         "BTR port settings hold the unknown end-of-block code 4.\nUse BTR/Configure selection to "
         "choose LF, CR, LF/CR or CR/LF."},
        {"port that cannot be opened",
         [](Rig& r) {
             r.f.port.open_result = {PortErrorCode::PermissionDenied, "Cannot open: add to lp"};
         },
         SendOutcome::PortUnavailable, "Cannot open: add to lp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.dir.write("part.nc", "N1\r\n");
        c.change(r);
        EXPECT_EQ(r.run(), c.outcome);
        EXPECT_EQ(r.f.port.writes(), "");
        EXPECT_EQ(r.f.port.events.empty(), c.outcome == SendOutcome::NotConfigured);
        ASSERT_EQ(r.f.host.messages.size(), 1u);
        EXPECT_EQ(r.f.host.messages[0].title, "BTR port error");
        EXPECT_EQ(r.f.host.messages[0].text.substr(0, c.message.size()), c.message);
        // The window stays open and says what went wrong instead of "Loading...".
        EXPECT_TRUE(r.f.host.close_requests == 0 && r.f.state.view_holds_report);
        EXPECT_NE(r.f.view.text().find("Nothing can be sent"), std::string::npos);
        EXPECT_EQ(r.f.state.run.phase, c.outcome == SendOutcome::NotConfigured
                                           ? RunPhase::NotConfigured
                                           : RunPhase::PortError);
    }
}

// Where a check can be made, the port error asks first and checks on Yes only.
TEST(SendDriver, APortErrorOffersThePortCheck) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No}) {
        Rig r;
        r.dir.write("part.nc", "N1\r\n");
        r.f.port.open_result = {PortErrorCode::PermissionDenied, "Cannot open: add to lp"};
        int checks = 0;
        r.check_port = [&checks] { ++checks; };
        r.f.host.answers = {answer};
        EXPECT_EQ(r.run(), SendOutcome::PortUnavailable);
        ASSERT_EQ(r.f.host.messages.size(), 1u);
        EXPECT_EQ(r.f.host.messages[0].text, "Cannot open: add to lp\n\nCheck the port now?");
        EXPECT_EQ(checks, answer == MessageAnswer::Yes ? 1 : 0);
    }
}

// The system's title and text, then the file that failed and the system's
// reason; the window stays open with the cause in the view.
TEST(SendDriver, LoadFailuresNameTheFileAndTheReason) {
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"missing.nc", false, "No such file or directory"},
        {"missing.nc", true, "No such file or directory"},
        {"folder", false, "Is a directory"},
        {"/dev/zero", true, "Not a regular file"}};  // refused at once, never read
    for (const auto& [program, binary, reason] : cases) {
        SCOPED_TRACE(program);
        Rig r;
        std::filesystem::create_directory(r.dir.file("folder"));
        r.f.state.filename = program[0] == '/' ? program : r.dir.file(program);
        r.f.state.Binaryfile = binary;
        EXPECT_EQ(r.run(), SendOutcome::LoadFailed);
        const std::string cause = r.f.state.filename + ": " + reason;
        const std::string told =
            "Cannot access file\n" + r.dir.file("scratchpad data 5b") + "\n" + cause;
        ASSERT_EQ(r.f.host.messages.size(), 1u);
        EXPECT_EQ(
            r.f.host.messages[0].title + "|" + r.f.host.messages[0].text.substr(0, told.size()),
            "Disk write error|" + told);
        EXPECT_TRUE(r.f.host.close_requests == 0 && !r.f.host.wait_pointer);
        EXPECT_NE(r.f.view.text().find(cause), std::string::npos);
        EXPECT_EQ(r.f.state.run.phase, RunPhase::LoadFailed);
        EXPECT_FALSE(file_exists(r.dir.file("missing.nc")));  // not created empty
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
    EXPECT_EQ(shown_before_run,
              "Ready to send binary file\r\n" + dir.file("part.nc") + "\r\n(3 bytes )");
    EXPECT_EQ(sent(), "\x01\xE9\x7F");
    EXPECT_EQ(f.view.text(), "Bytes sent:  3");
    EXPECT_EQ(f.host.close_requests, 1);
    EXPECT_EQ(f.state.run.phase, RunPhase::Finished);
    EXPECT_EQ(f.state.run.position, 3);
}

// The next block starts at a line picked while a block is on its way (a
// click, a search, End Edit), never part-way into a line; an edit that
// lengthens the text is sent to its end.
TEST_F(SendDriverTest, ALinePickedDuringABlockIsTheNextBlockWhole) {
    dir.write("part.nc", "N1\r\nN2 X1\r\nN3\r\nN4\r\nN5\r\n");
    bool picked = false;
    f.port.status = [&](int) {
        if (!picked && sent() == "%\nN1\r\nN2") {  // half-way through N2
            picked = true;
            f.view.set_selection_start(f.view.find("N4", 0, -1, true, false));
            hilight_line(f.view, f.state);
            f.view.set_selection_start(f.view.length());
            f.view.replace_selection("N6 M30\r\n");
        }
        return 0x7F;
    };
    run();
    EXPECT_EQ(sent(), "%\nN1\r\nN2 X1\r\nN4\r\nN5\r\nN6 M30\r\n");
}

// A stop made inside a block (edit mode, the Reset panel after a stall) never
// sends the rest of it: the next transmission is the leader and a block whole
// (the interrupted one, the one clicked, or the top after a reset, also one
// pressed after an edit stop), and the cycle cut short is begun again, not
// counted as done; nor is a tail after it, which is no pass through the
// program. Nothing stays selected in edit mode. The notice names where the
// tape stopped.
TEST(SendDriver, AStopInsideABlockNeverSendsItsRest) {
    const struct {
        const char *name, *at, *click;
        bool reset, reset_after_edit;
        const char *sent, *notice;
        int completed;  ///< only a pass from the top counts, not a tail
    } cases[] = {
        {"edit: the block again", "%\nN1\r\nN2", "", false, false,
         "%\nN1\r\nN2%\nN2 X1\r\nN3\r\n\r\n%", "inside line 2", 0},
        {"edit: the line clicked", "%\nN1\r\nN2", "N3", false, false, "%\nN1\r\nN2%\nN3\r\n\r\n%",
         "inside line 2", 0},
        {"edit, then Reset: the top", "%\nN1\r\nN2", "", false, true,
         "%\nN1\r\nN2%\nN1\r\nN2 X1\r\nN3\r\n\r\n%", "Reset starts it from the top", 1},
        {"edit in the leader", "%", "", false, false, "%%\nN1\r\nN2 X1\r\nN3\r\n\r\n%",
         "stopped in the leader", 1},
        {"reset: the top", "%\nN1\r\nN2", "", true, false,
         "%\nN1\r\nN2 %\nN1\r\nN2 X1\r\nN3\r\n\r\n%", nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.dir.write("part.nc", "N1\r\nN2 X1\r\nN3\r\n");
        int since = -1;  // reads since the stop
        TextPos selected_in_edit = 0;
        r.f.port.status = [&](int) {
            if (since >= 0) ++since;
            if (since < 0 && r.sent() == c.at) {
                since = 0;
                if (c.reset)
                    r.f.state.DNC_reset = DNC_restart;  // the Reset panel, after a stall
                else
                    (void)toggle_edit_mode(r.f.state, r.f.view);
            } else if (since == 3 && !c.reset) {
                selected_in_edit = r.f.view.selection_length();  // a key would replace it
                if (*c.click)
                    r.f.view.set_selection_start(r.f.view.find(c.click, 0, -1, true, false));
                (void)toggle_edit_mode(r.f.state, r.f.view);  // End Edit
            } else if (since == 5 && c.reset_after_edit) {
                r.f.state.DNC_reset = DNC_restart;  // the Reset panel while the tape waits
            }
            return c.reset_after_edit && since >= 3 && since < 6 ? 0x80 : 0x7F;
        };
        r.run();
        EXPECT_EQ(r.sent(), c.sent);
        ASSERT_EQ(r.f.host.messages.size(), c.notice ? 1U : 0U);
        if (c.notice) {
            EXPECT_NE(r.f.host.messages[0].text.find(c.notice), std::string::npos)
                << r.f.host.messages[0].text;
        }
        EXPECT_EQ(selected_in_edit, 0);
        EXPECT_EQ(r.f.state.run.cycles_completed, c.completed);
    }
}

// A cycle that a refused block ended did not run to its end.
TEST(SendDriver, ARefusedBlockEndsNoCompletedCycle) {
    Rig r;
    r.device.format = "X3";
    r.device.auto_format = 1;
    r.dir.write("part.nc", "N1 Y1.5\r\nN2\r\n");  // Y is not in the format
    int reads = 0;
    r.f.port.status = [&](int) { return ++reads > 400 ? 0x80 : 0x7F; };  // then the control stops
    r.f.host.at_yield(2000, [&] { r.f.state.DNC_reset = DNC_closing; });
    r.run(5);
    EXPECT_GE(r.f.state.run.blocks_refused, 1);
    EXPECT_GE(r.f.state.run.cycles_started, 1);
    EXPECT_EQ(r.f.state.run.cycles_completed, 0);
}

// A port that fails ends the run there, whatever a dead port reads as: the
// message names the failure, the view keeps it, the run ends as a port error.
TEST(SendDriver, APortThatFailsEndsTheRun) {
    // the access that fails first (the first status read is the 4th), what went out
    const std::tuple<int, const char*> cases[] = {{4, ""}, {30, "%\nN1"}, {90, "%\nN1\r\nN2 X1\r"}};
    for (const auto& [fail_at, sent] : cases) {
        SCOPED_TRACE(fail_at);
        Rig r;
        r.dir.write("part.nc", "N1\r\nN2 X1\r\nN3\r\n");
        r.f.port.fail_at = fail_at;
        EXPECT_EQ(r.run(), SendOutcome::PortFailed);
        EXPECT_EQ(r.sent(), sent);
        ASSERT_EQ(r.f.host.messages.size(), 1u);
        EXPECT_EQ(r.f.host.messages[0].title, "BTR port error");
        EXPECT_EQ(r.f.state.run.phase, RunPhase::PortError);
        EXPECT_NE(r.f.view.text().find("The parallel port failed"), std::string::npos);
    }
}

// What the progress bar and the history read: one feed hold of several
// reads counts as one stop; every cut block counts, the empty last one too.
TEST_F(SendDriverTest, CountsCyclesBlocksCharactersAndStops) {
    dir.write("part.nc", "N1\r\nN2\r\nN3\r\n");
    f.port.status = [](int n) { return n >= 8 && n < 12 ? 0x80 : 0x7F; };
    run(2);
    const RunCounters& c = f.state.run;
    EXPECT_EQ(c.cycles_completed, 2);
    EXPECT_EQ(c.cycles_started, 2);
    EXPECT_EQ(c.blocks_sent, 8);
    EXPECT_EQ(c.characters_sent, static_cast<std::int64_t>(sent().size()));
    EXPECT_EQ(c.control_stops, 1);
    EXPECT_EQ(c.total, 12);
    EXPECT_EQ(c.consumed, 14);  // three lines and the empty last block, each with its CR LF
    EXPECT_EQ(c.phase, RunPhase::Waiting);
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

// The sub file's own message has been shown; the view tells which file failed.
TEST_F(SendDriverTest, AFailedSubFileLeavesTheWindowOpenWithTheCause) {
    dir.write("part.nc", "N1\r\nCALL NOWHERE\r\n");
    EXPECT_EQ(run(), SendOutcome::SubFileFailed);
    EXPECT_EQ(f.host.close_requests, 0);
    EXPECT_NE(f.view.text().find(dir.file("NOWHERE")), std::string::npos);
}

}  // namespace
}  // namespace feedrite
