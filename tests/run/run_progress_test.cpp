// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_progress.h"

#include <gtest/gtest.h>

#include "core/window_math.h"

namespace feedrite {
namespace {

// A 30,000-character program at 100 characters per second with the device
// set to 300: the configured speed until 10 s are measured, then the rate
// over the last minute. A hold freezes time left, and the minute it lasted
// is no part of the rate once the tape moves again.
TEST(RunProgress, TimeLeftFollowsTheRateOfTheLastMinute) {
    // time, position, control stopped, time left, measured, elapsed
    const std::tuple<double, std::int64_t, bool, double, bool, double> steps[] = {
        {100.25, 25, false, (30000 - 25) / 300.0, false, 0.25},
        {110, 1000, false, 290, true, 10},
        {160, 6000, false, 240, true, 60},
        {170, 6000, true, 240, true, 70},  // Feed hold
        {230, 6000, true, 240, true, 130},
        {240, 7000, false, 230, true, 140},  // 100 cps again, not 12.5
    };
    RunCounters run;
    run.phase = RunPhase::Sending, run.total = 30000;
    run.cycles_started = 1, run.cycle_started_at = 100;
    ProgressTracker tracker;
    for (const auto& [t, position, stopped, left, measured, elapsed] : steps) {
        SCOPED_TRACE(t);
        run.position = run.consumed = position;
        run.control_stopped = stopped;
        const ProgressFigures f = tracker.poll(run, false, false, 7, 900, t, 300);
        EXPECT_NEAR(f.left.value_or(-1), left, 1e-6);
        EXPECT_EQ(f.left_measured, measured);
        EXPECT_EQ(f.held, stopped);
        EXPECT_DOUBLE_EQ(*f.elapsed, elapsed);
        EXPECT_EQ(progress_texts(f).main.ends_with(" left, held"), stopped);
    }
    // A new cycle estimates afresh ("~": not measured); the last one's time and
    // the count show.
    run.cycles_started = 2, run.cycles_completed = 1, run.last_cycle_seconds = 200;
    run.cycle_started_at = 300, run.control_stopped = false, run.position = run.consumed = 0;
    const ProgressFigures f = tracker.poll(run, false, false, 1, 900, 300.5, 300);
    const ProgressTexts texts = progress_texts(f);
    EXPECT_EQ(texts.state + " | " + texts.main + " | " + texts.detail,
              "Sending | 0.0 %    ~0:01:40 left | "
              "line 1 of 900    elapsed 0:00:01    cycles 1 (last 0:03:20)");
}

// With the motion model time left is the machining and waits from the block
// being sent on, standing still while the control holds the tape; the
// model's totals show in the details.
TEST(RunProgress, TimeLeftFromTheMotionModel) {
    // time, line, control stopped, time left
    const std::tuple<double, std::int64_t, bool, double> steps[] = {
        {101, 1, false, 60}, {110, 2, false, 45}, {120, 3, true, 45}, {130, 3, false, 30}};
    RunCounters run;
    run.phase = RunPhase::Sending, run.total = 30000;
    run.cycles_started = 1, run.cycle_started_at = 100;
    ProgressTracker tracker;
    tracker.set_model({{60, 45, 30, 0}, 55, 5, 2});
    ProgressFigures f;
    for (const auto& [t, line, stopped, left] : steps) {
        SCOPED_TRACE(t);
        run.control_stopped = stopped;
        f = tracker.poll(run, false, false, line, 4, t, 300);
        EXPECT_EQ(f.left.value_or(-1), left);
        EXPECT_TRUE(f.left_modelled);
    }
    const ProgressTexts texts = progress_texts(f);
    EXPECT_EQ(texts.main, "0.0 %    0:00:30 left");
    EXPECT_TRUE(texts.detail.ends_with(
        "machining 0:00:55 without acceleration, stops in the cut 0:00:05 in 2"))
        << texts.detail;
    f.accelerated = true;
    EXPECT_TRUE(
        progress_texts(f).detail.ends_with("machining 0:00:55, stops in the cut 0:00:05 in 2"));
}

TEST(RunProgress, StatesAndFiguresByPhase) {
    struct Case {
        RunPhase phase;
        bool edit, stopped;
        ShownState shown;
        std::optional<double> percent;
        bool held;
    };
    const Case cases[] = {
        {RunPhase::NotConfigured, true, false, ShownState::NotConfigured, std::nullopt, false},
        {RunPhase::LoadFailed, false, false, ShownState::LoadFailed, std::nullopt, false},
        {RunPhase::Waiting, false, false, ShownState::Waiting, 90.0, true},  // from line 10 on
        {RunPhase::Waiting, true, false, ShownState::EditMode, std::nullopt, true},
        {RunPhase::Sending, true, false, ShownState::EditMode, 50.0,
         true},  // the engine refuses to send
        {RunPhase::Sending, false, true, ShownState::Stopped, 50.0, true},
        {RunPhase::Sending, false, false, ShownState::Sending, 50.0, false},
        {RunPhase::Finished, false, false, ShownState::Finished, 100.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(shown_state_text(c.shown));
        RunCounters run;
        run.phase = c.phase, run.control_stopped = c.stopped, run.total = 200, run.position = 100;
        const ProgressFigures f = ProgressTracker().poll(run, false, c.edit, 12, 10, 5, 0);
        EXPECT_EQ(f.state, c.shown);
        EXPECT_EQ(f.percent, c.percent);
        EXPECT_EQ(f.held, c.held);
        // the empty last block is no line of its own
        EXPECT_EQ(f.place, c.percent || c.phase == RunPhase::Waiting ? 10 : 0);
    }
}

// A resume armed for the next run is said first while the tape waits for it.
TEST(RunProgress, AnArmedResumeIsShown) {
    ProgressFigures f;
    f.state = ShownState::Waiting, f.resume_line = 44, f.percent = 43.0, f.left = 60.0;
    f.left_measured = true;
    EXPECT_EQ(progress_texts(f).main, "Resume at line 44    43.0 %    0:01:00 left");
    f.state = ShownState::Sending;
    EXPECT_EQ(progress_texts(f).main, "43.0 %    0:01:00 left");
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
