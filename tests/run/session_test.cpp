// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/session.h"

#include <gtest/gtest.h>

#include "run/port_factory.h"
#include "sim/control_cable.h"
#include "tests/support/device_settings.h"
#include "tests/support/recording_port.h"
#include "tests/support/scripted_host.h"
#include "tests/support/session_probe.h"
#include "tests/support/temp_dir.h"
#include "text/plain_text_view.h"

namespace feedrite {
namespace {

// A session on a recording port whose control is in run; it keeps the
// records its ports were made over.
struct Rig {
    explicit Rig(bool simulated = false)
        : session(
              host, view,
              [this, simulated](const PortSettings& record) {
                  made.push_back(record);
                  if (simulated) return make_port(PortKind::Virtual, record);
                  auto port = std::make_unique<testing::RecordingPort>();
                  port->registers[1] = 0x7F;
                  return std::unique_ptr<PortAccess>(std::move(port));
              },
              SessionTiming::Counted) {
        device.code = 2;
        dir.write("part.nc", "N1\r\nN2\r\n");
        session.start(dir.file("part.nc"), "(default)", false);
    }
    SendOutcome send() {
        SendDriverHooks hooks;
        hooks.at_cycle_end = [this] { session.close(); };
        return session.send(module, dir.path(), hooks);
    }
    WindowState& state() { return SessionProbe::state(session); }

    testing::TempDir dir;
    testing::DeviceSettings device;
    testing::ScriptedHost host;
    PlainTextView view;
    ModuleState module;
    std::vector<PortSettings> made;
    Session session;
};

// No port exists before the device's settings are read; the one made is
// made once, over the finished record, and asked what it can do.
TEST(Session, ThePortIsMadeOverTheFinishedRecordOnly) {
    Rig unset;
    unset.device.address = 0;
    unset.device.write(unset.dir.path());
    EXPECT_EQ(unset.send(), SendOutcome::NotConfigured);
    EXPECT_TRUE(unset.made.empty());
    EXPECT_EQ(unset.session.state(), SessionState::Failed);

    for (const bool simulated : {false, true}) {
        Rig r(simulated);
        r.device.write(r.dir.path());
        EXPECT_EQ(r.send(), SendOutcome::Closed);
        ASSERT_EQ(r.made.size(), 1u);
        EXPECT_EQ(r.made[0].BTRaddress, 888);
        EXPECT_EQ(r.made[0].leader_sent, "%\n");
        EXPECT_EQ(r.session.state(), SessionState::Closing);
        EXPECT_EQ(r.session.port_capability<ControlCable>() != nullptr, simulated);
        r.session.end();
        EXPECT_EQ(r.session.port_capability<ControlCable>(), nullptr);
    }
}

// What the window shows follows the run's state; edit mode and closing
// win over the phase.
TEST(Session, ItsStateFollowsTheRun) {
    struct Case {
        RunPhase phase;
        std::int16_t sending, reset;
        bool stopped, edit;
        SessionState shown;
    } cases[] = {
        {RunPhase::Loading, 0, DNC_run, false, false, SessionState::Loading},
        {RunPhase::NotConfigured, 0, DNC_run, false, false, SessionState::Failed},
        {RunPhase::PortError, 0, DNC_run, false, false, SessionState::Failed},
        {RunPhase::LoadFailed, 0, DNC_run, false, false, SessionState::Failed},
        {RunPhase::Waiting, 0, DNC_run, false, false, SessionState::Waiting},
        {RunPhase::Sending, 1, DNC_run, false, false, SessionState::Sending},
        {RunPhase::Sending, 1, DNC_run, true, false, SessionState::Holding},
        {RunPhase::Sending, 0, DNC_run, false, false, SessionState::Holding},
        {RunPhase::Finished, 0, DNC_run, false, false, SessionState::Finished},
        {RunPhase::Sending, 1, DNC_restart, false, true, SessionState::Editing},
        {RunPhase::Sending, 1, DNC_closing, false, true, SessionState::Closing},
    };
    for (const Case& c : cases) {
        Rig r;
        r.state().run.phase = c.phase;
        r.state().run.control_stopped = c.stopped;
        r.state().Sending_data = c.sending;
        r.state().DNC_reset = c.reset;
        r.state().Edit_mode = c.edit;
        EXPECT_EQ(r.session.state(), c.shown) << static_cast<int>(&c - cases);
    }
}

// Each intent moves the run only where it may: Reset and a reload never
// send a control that is reading back to the top.
TEST(Session, IntentsMoveTheRunOnlyWhereTheyMay) {
    struct Case {
        const char* name;
        RunPhase phase;
        std::int16_t sending;
        void (*intent)(Session&);
        std::int16_t reset;
        SessionState shown;
    } cases[] = {
        {"reset, tape still", RunPhase::Waiting, 0, [](Session& s) { (void)s.reset(); },
         DNC_restart, SessionState::Waiting},
        {"reset, data flowing", RunPhase::Sending, 1, [](Session& s) { (void)s.reset(); }, DNC_run,
         SessionState::Sending},
        {"reload, waiting", RunPhase::Waiting, 0, [](Session& s) { s.reload(); }, DNC_restart,
         SessionState::Waiting},
        {"reload, mid-program", RunPhase::Sending, 0, [](Session& s) { s.reload(); }, DNC_run,
         SessionState::Holding},
        {"resume", RunPhase::Waiting, 0, [](Session& s) { s.resume(4, {"G0 Z5."}); }, DNC_restart,
         SessionState::Waiting},
        {"stood still", RunPhase::Sending, 1, [](Session& s) { s.stood_still(); }, DNC_run,
         SessionState::Holding},
        {"close", RunPhase::Sending, 1, [](Session& s) { s.close(); }, DNC_closing,
         SessionState::Closing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.state().run.phase = c.phase;
        r.state().Sending_data = c.sending;
        c.intent(r.session);
        EXPECT_EQ(r.state().DNC_reset, c.reset);
        EXPECT_EQ(r.session.state(), c.shown);
    }
    Rig r;
    r.session.resume(4, {"G0 Z5."});
    EXPECT_TRUE(r.session.resume_request().pending && r.session.resume_request().start == 4);
    // Edit mode only over the program, not over a report such as "Loading...".
    EXPECT_FALSE(r.session.edit());
    r.state().view_holds_report = false;
    EXPECT_TRUE(r.session.edit());
    EXPECT_EQ(r.session.state(), SessionState::Editing);
    EXPECT_FALSE(r.session.edit());
}

// The history hears of the run once, as simulated as its port, and of the
// signal that ended it.
struct HeardLog final : RunLog {
    [[nodiscard]] bool is_open() const override { return opened; }
    void open(const WindowState&, bool simulated) override {
        opened = true;
        heard.push_back(simulated ? "open simulated" : "open");
    }
    void mark_simulated() override { heard.emplace_back("simulated"); }
    void checkpoint(const RunCounters&) override {}
    void note_ending(EndReason reason, const std::string& detail, const RunCounters&) override {
        heard.push_back(std::string("ending ") + end_reason_name(reason) + " " + detail);
    }
    void close(EndReason reason, const std::string& detail, const RunCounters&,
               const TimingSource&) override {
        heard.push_back(std::string("close ") + end_reason_name(reason) + " " + detail);
    }
    bool opened = false;
    std::vector<std::string> heard;
};

TEST(Session, TheHistoryHearsTheRunOnceAndTheSignalThatEndedIt) {
    for (const bool simulated : {false, true}) {
        Rig r;
        auto log = std::make_unique<HeardLog>();
        const HeardLog& told = *log;
        r.session.keep_history(std::move(log));
        r.session.use_port([](const PortSettings& d) { return make_port(PortKind::Virtual, d); },
                           simulated);
        r.device.write(r.dir.path());
        EXPECT_EQ(r.send(), SendOutcome::Closed);
        r.session.close("SIGTERM");
        r.session.end();
        const std::string opened = simulated ? "open simulated" : "open";
        EXPECT_EQ(told.heard, (std::vector<std::string>{opened, "ending signal SIGTERM",
                                                        "close signal SIGTERM"}));
    }
}

// The estimate is the program's in the view, made once per text revision,
// and the time left follows it.
TEST(Session, EstimatesTheProgramInTheViewOncePerText) {
    Rig r;
    r.device.write(r.dir.path());
    r.send();  // reads the device's settings (reset on M30, not on every block)
    r.view.set_text("G21 G90 G94 F600\r\nG00 X0 Y0\r\nG01 X10\r\n");
    EXPECT_TRUE(r.session.estimate(1));
    EXPECT_NEAR(r.session.program_estimate().machining_seconds, 1, 1e-6);
    r.view.set_text("G21 G90 G94 F600\r\nG00 X0 Y0\r\nG01 X20\r\n");
    EXPECT_FALSE(r.session.estimate(1));  // the same revision: kept
    EXPECT_TRUE(r.session.estimate(2));
    EXPECT_NEAR(r.session.program_estimate().machining_seconds, 2, 1e-6);
}

}  // namespace
}  // namespace feedrite
