#include "prepare/run_progress.h"

#include <gtest/gtest.h>

#include "core/window_math.h"

namespace feedrite {
namespace {

// A 30,000-character program at 100 characters per second with the device
// set to 300: the configured speed until 10 s are measured, then the rate
// over the last minute, which falls while the control holds the tape.
TEST(RunProgress, TimeLeftFollowsTheRateOfTheLastMinute) {
    struct Step {
        double t;
        std::int64_t position;
        bool stopped;
        std::optional<double> left;
        bool measured;
        double elapsed;
    };
    const Step steps[] = {
        {100.25, 25, false, (30000 - 25) / 300.0, false, 0.25},
        {110, 1000, false, 290, true, 10},
        {160, 6000, false, 240, true, 60},
        {170, 6000, true, 24000 / (5000 / 60.0), true, 70},  // from 1,000 at 110 s
        {240, 6000, true, std::nullopt, true, 140},          // nothing for a minute
    };
    RunCounters run;
    run.phase = RunPhase::Sending;
    run.total = 30000;
    run.cycles_started = 1;
    run.cycle_started_at = 100;
    ProgressTracker tracker;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.t);
        run.position = run.consumed = s.position;
        run.control_stopped = s.stopped;
        const ProgressFigures f = tracker.poll(run, false, false, 7, 900, s.t, 300);
        EXPECT_EQ(f.state, s.stopped ? ShownState::Stopped : ShownState::Sending);
        EXPECT_DOUBLE_EQ(*f.percent, s.position / 300.0);
        EXPECT_EQ(f.left.has_value(), s.left.has_value());
        if (s.left) {
            EXPECT_NEAR(*f.left, *s.left, 1e-6);
        }
        EXPECT_EQ(f.left_measured, s.measured);
        EXPECT_DOUBLE_EQ(*f.elapsed, s.elapsed);
    }
    // A new cycle measures afresh; the last one's time and the count show.
    run.cycles_started = 2;
    run.cycles_completed = 1;
    run.last_cycle_seconds = 200;
    run.cycle_started_at = 300;
    run.control_stopped = false;
    run.position = run.consumed = 0;
    const ProgressFigures f = tracker.poll(run, false, false, 1, 900, 300.5, 300);
    EXPECT_DOUBLE_EQ(*f.left, 100);
    EXPECT_FALSE(f.left_measured);
    EXPECT_EQ(f.cycles, 1);
    EXPECT_EQ(f.last_cycle, 200);
    const ProgressTexts texts = progress_texts(f);
    EXPECT_EQ(texts.state, "Sending");
    EXPECT_EQ(texts.main, "0.0 %    ~0:01:40 left");
    EXPECT_EQ(texts.detail, "line 1 of 900    elapsed 0:00:01    cycles 1 (last 0:03:20)");
}

TEST(RunProgress, StatesAndFiguresByPhase) {
    struct Case {
        RunPhase phase;
        bool edit, stopped;
        ShownState shown;
        std::optional<double> percent;
    };
    const Case cases[] = {
        {RunPhase::Loading, false, false, ShownState::Loading, std::nullopt},
        {RunPhase::NotConfigured, true, false, ShownState::NotConfigured, std::nullopt},
        {RunPhase::LoadFailed, false, false, ShownState::LoadFailed, std::nullopt},
        {RunPhase::Waiting, false, false, ShownState::Waiting, 0.0},
        {RunPhase::Sending, true, true, ShownState::EditMode, 50.0},  // the engine refuses to send
        {RunPhase::Sending, false, true, ShownState::Stopped, 50.0},
        {RunPhase::Finished, false, false, ShownState::Finished, 100.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(shown_state_text(c.shown));
        RunCounters run;
        run.phase = c.phase;
        run.control_stopped = c.stopped;
        run.total = 200;
        run.position = 100;
        ProgressTracker tracker;
        const ProgressFigures f = tracker.poll(run, false, c.edit, 12, 10, 5, 0);
        EXPECT_EQ(f.state, c.shown);
        EXPECT_EQ(f.percent, c.percent);
        EXPECT_EQ(f.place, c.percent ? 10 : 0);  // the empty last block is no line of its own
    }
}

TEST(RunProgress, DurationTexts) {
    const std::pair<std::optional<double>, const char*> cases[] = {
        {0.0, "0:00:00"},          {59.6, "0:01:00"}, {11 * 3600 + 65.0, "11:01:05"},
        {std::nullopt, "-:--:--"}, {-1.0, "-:--:--"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(duration_text(seconds), text);
}

}  // namespace
}  // namespace feedrite
