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
    const auto line = [](const char* id, std::int64_t pid, std::int64_t start, std::int64_t cycles,
                         EndReason end) {
        RunRecord r;
        r.id = id;
        r.pid = pid;
        r.start_ms = start;
        r.cycles = cycles;
        r.end = end;
        return r;
    };
    const std::vector<RunRecord> lines = {
        line("b", 2, 2000, 0, EndReason::Open),   line("a", 1, 1000, 0, EndReason::Open),
        line("b", 2, 2000, 3, EndReason::Signal), line("a", 1, 1000, 5, EndReason::Open),
        line("c", 3, 3000, 0, EndReason::Open),
    };
    const auto runs = merge_runs(lines, [](std::int64_t pid) { return pid == 3; });
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].id + runs[1].id + runs[2].id, "abc");
    EXPECT_EQ(runs[0].end, EndReason::Crash);
    EXPECT_EQ(runs[0].cycles, 5);
    EXPECT_EQ(runs[1].end, EndReason::Signal);
    EXPECT_EQ(runs[2].end, EndReason::Open);  // still running

    RunRecord done = runs[1];
    done.end_detail = "SIGTERM";
    done.end_ms = done.start_ms + 3723'000;
    done.program = "/shop/part 1.nc";
    const std::string table = history_table({runs[0], done}, 1);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2);  // heading and the last run
    EXPECT_NE(table.find("1:02:03  signal (SIGTERM)"), std::string::npos) << table;
    EXPECT_NE(table.find(" /shop/part 1.nc\n"), std::string::npos) << table;
}

class FakeInhibitor final : public SleepInhibitor {
  public:
    std::optional<std::string> take() override {
        ++takes;
        return problem;
    }
    void release() override { ++releases; }
    std::optional<std::string> problem;
    int takes = 0, releases = 0;
};

// Held while the window waits or sends, released once the run is over or
// the window closes; where it cannot be had, said once.
TEST(StayAwake, HeldWhileTheTransmissionIsOpen) {
    for (const bool available : {true, false}) {
        SCOPED_TRACE(available);
        FakeInhibitor lock;
        if (!available) lock.problem = "no logind";
        std::ostringstream errors;
        StayAwake awake(lock, errors);
        for (const RunPhase phase :
             {RunPhase::Loading, RunPhase::Waiting, RunPhase::Sending, RunPhase::Waiting})
            awake.follow(phase);
        EXPECT_EQ(lock.takes, 1);
        EXPECT_EQ(awake.held(), available);
        awake.follow(RunPhase::Finished);
        awake.release();
        EXPECT_EQ(lock.releases, available ? 1 : 0);
        EXPECT_EQ(errors.str().empty(), available);
        EXPECT_EQ(errors.str().find("(no logind)") != std::string::npos, !available);
    }
}

}  // namespace
}  // namespace feedrite
