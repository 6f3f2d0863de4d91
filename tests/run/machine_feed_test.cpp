// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/machine_feed.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(MachineFeed, RunStateAndPortConditionInTheReportsWords) {
    const struct {
        const char* name;
        RunPhase phase;
        bool edit, stopped;
        const char* failure;
        Execution execution;
        Level port;
    } cases[] = {
        {"loading", RunPhase::Loading, false, false, "", Execution::Unavailable,
         Level::Unavailable},
        {"waiting", RunPhase::Waiting, false, false, "", Execution::Ready, Level::Normal},
        {"edit at start", RunPhase::Waiting, true, false, "", Execution::Interrupted,
         Level::Normal},
        {"reading", RunPhase::Sending, false, false, "", Execution::Active, Level::Normal},
        {"held", RunPhase::Sending, false, true, "", Execution::FeedHold, Level::Normal},
        {"edit mid-run", RunPhase::Sending, true, true, "", Execution::Interrupted, Level::Normal},
        {"port failed", RunPhase::Sending, false, false, "gone", Execution::Stopped, Level::Fault},
        {"no port", RunPhase::PortError, false, false, "", Execution::Stopped, Level::Fault},
        {"not set up", RunPhase::NotConfigured, false, false, "", Execution::Stopped,
         Level::Warning},
        {"binary sent", RunPhase::Finished, false, false, "", Execution::Stopped, Level::Normal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunCounters run;
        run.phase = c.phase;
        run.control_stopped = c.stopped;
        run.failure = c.failure;
        EXPECT_EQ(execution_of(run, c.edit), c.execution);
        MachineReport report;
        fill_port_condition(run, report);
        EXPECT_EQ(report.port, c.port);
        EXPECT_EQ(report.port_text.empty(),
                  c.port == Level::Normal || c.port == Level::Unavailable);
    }
}

}  // namespace
}  // namespace feedrite
