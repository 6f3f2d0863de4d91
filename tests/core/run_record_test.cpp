// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/run_record.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/stay_awake.h"

namespace feedrite {
namespace {

TEST(RunRecord, EndReasonsByPhaseAndNamesBothWays) {
    const std::tuple<RunPhase, bool, EndReason, const char*> cases[] = {
        {RunPhase::Sending, false, EndReason::Closed, "closed"},
        {RunPhase::Waiting, true, EndReason::Signal, "signal"},
        {RunPhase::LoadFailed, false, EndReason::LoadFailure, "load failure"},
        {RunPhase::NotConfigured, false, EndReason::PortError, "port error"},
        {RunPhase::PortError, false, EndReason::PortError, "port error"},
        {RunPhase::Finished, false, EndReason::Finished, "finished"},
    };
    for (const auto& [phase, by_signal, reason, name] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(end_reason_for(phase, by_signal), reason);
        EXPECT_EQ(end_reason_named(end_reason_name(reason)), reason);
        EXPECT_STREQ(end_reason_name(reason), name);
    }
    EXPECT_EQ(end_reason_named("crash"), EndReason::Crash);
    EXPECT_EQ(end_reason_named("something else"), EndReason::Open);
}

// The last line of a run is its record; an open one crashed unless its
// process still runs; runs come in the order they started.
TEST(RunRecord, MergingLinesIntoRuns) {
    using E = EndReason;
    const auto line = [](const char* id, std::int64_t pid, std::int64_t cycles, E end) {
        RunRecord r;
        r.id = id, r.pid = pid, r.start_ms = pid * 1000, r.cycles = cycles, r.end = end;
        return r;
    };
    std::vector<RunRecord> lines = {line("b", 2, 0, E::Open), line("a", 1, 0, E::Open),
                                    line("b", 2, 3, E::Signal), line("a", 1, 5, E::Open),
                                    line("c", 3, 0, E::Open)};
    lines[2].end_detail = "SIGTERM", lines[2].program = "/shop/bracket 1.nc";
    lines[2].end_ms = 2000 + 3723'000;
    const auto runs = merge_runs(lines, [](std::int64_t pid) { return pid == 3; });
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].id + runs[1].id + runs[2].id, "abc");
    EXPECT_EQ(runs[0].cycles, 5);
    EXPECT_EQ(std::vector<E>({runs[0].end, runs[1].end, runs[2].end}),
              std::vector<E>({E::Crash, E::Signal, E::Open}));  // c still runs
    const std::string table = history_table({runs[0], runs[1]}, 1);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2);  // heading and the last run
    EXPECT_NE(table.find("1:02:03  signal (SIGTERM)"), std::string::npos) << table;
    EXPECT_NE(table.find(" /shop/bracket 1.nc\n"), std::string::npos) << table;
    // A port error's text on a line of its own; a simulated run says so.
    RunRecord port = runs[1];
    port.end = E::PortError, port.end_detail = "Cannot open /dev/parport0\nCheck it.";
    port.simulated = true;
    const std::string both = history_table({runs[1], port}, 2);
    const auto row = both.find("port error");
    EXPECT_LT(both.find("  hardware  "), row) << both;
    EXPECT_EQ(both.find("  virtual  ", row), both.find("  virtual  ")) << both;
    EXPECT_NE(both.find("  virtual  "), std::string::npos) << both;
    EXPECT_NE(both.find(".nc\n    Cannot open /dev/parport0 / Check it.\n"), std::string::npos)
        << both;
}

struct FakeInhibitor final : SleepInhibitor {
    std::optional<std::string> take() override { return ++takes, problem; }
    void release() override { ++releases; }
    std::optional<std::string> problem;
    int takes = 0, releases = 0;
};

// Where the lock cannot be had, a run is told once and nothing is released
// (a lock taken once and released once: main_window_test's signal test).
TEST(StayAwake, ALockThatCannotBeHadIsToldOnce) {
    FakeInhibitor lock;
    lock.problem = "no logind";
    std::ostringstream errors;
    StayAwake awake(lock, errors);
    for (const RunPhase phase :
         {RunPhase::Loading, RunPhase::Waiting, RunPhase::Sending, RunPhase::Waiting})
        awake.follow(phase);
    EXPECT_EQ(lock.takes, 1);
    EXPECT_FALSE(awake.held());
    awake.follow(RunPhase::Finished);
    awake.release();
    EXPECT_EQ(lock.releases, 0);
    EXPECT_EQ(errors.str(),
              "feedrite: cannot keep the PC awake during the transmission (no logind); it may "
              "suspend mid-job\n");
}

}  // namespace
}  // namespace feedrite
