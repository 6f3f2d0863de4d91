// SPDX-License-Identifier: GPL-3.0-or-later
// What the virtual control window shows, without the window: counters, the
// read text with its parity marks, the rolling figures and the control's
// state, taken from the control's record poll by poll.

#include "sim/control_monitor.h"

#include <gtest/gtest.h>

#include "config/device_timing.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"
#include "tests/sim/control_bench.h"
#include "tests/support/device_settings.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::Bench;
using Runs = std::vector<ReadRun>;
using namespace std::string_view_literals;

TEST(ControlMonitor, CountsAndShowsWhatTheControlReadInItsCode) {
    const std::tuple<const char*, CodeSet, std::string_view, const char*, std::size_t> cases[] = {
        {"ISO", ISO_even, "%\nN1 G1\r\nN2\n"sv, "%\nN1 G1\nN2\n", 3},
        {"EIA end of block", EIA_RS244, "N1 G1\nN2\n"sv, "N1 G1\nN2\n", 2},
        // Tape feed shows nothing; CR LF and LF CR are one break each; ^R is DC2.
        {"control characters", ISO_even, "\0%\n\x12N1\tX\r\n\n\rG\x7F\n"sv, "%\n^RN1\tX\n\nG\n", 4},
    };
    for (const auto& [name, code, sent, shown, blocks] : cases) {  // shown: the decoded text
        SCOPED_TRACE(name);
        Bench bench({.code = code, .limits = {}});
        ControlMonitor monitor;
        bench.send_text(sent, code);
        monitor.poll(bench.control, bench.now);
        EXPECT_EQ(monitor.tail_text(), shown);
        EXPECT_EQ(monitor.counts(), (MonitorCounts{sent.size(), blocks, 0, 0}));
        EXPECT_TRUE(bench.control.characters().empty()) << "the control forgot what was taken";
    }
}

TEST(ControlMonitor, MeasuresTheLastCharactersAndWaitsAfterASecond) {
    Bench bench;
    ControlMonitor monitor(200'000, 3);
    EXPECT_EQ(monitor.state(), ControlState::Waiting);
    bench.send_text("N10", ISO_even, {.overlap = 0.6, .on = 2.2, .rest = 0.5, .off = 0.5});
    bench.send_text("G", ISO_even, {.overlap = 0.4, .on = 1.0, .rest = 0.5, .off = 0.5});
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.state(), ControlState::Reading);
    // The window of three holds N10's last two and G.
    EXPECT_DOUBLE_EQ(*monitor.data_on().median(), 3.3);
    EXPECT_DOUBLE_EQ(*monitor.data_on().minimum(), 1.9);
    EXPECT_DOUBLE_EQ(*monitor.sprocket_on().median(), 2.2);
    EXPECT_DOUBLE_EQ(*monitor.overlap().minimum(), 0.4);
    EXPECT_DOUBLE_EQ(*monitor.interval().median(), 3.8);  // latch to latch
    EXPECT_DOUBLE_EQ(*monitor.interval().minimum(), 3.6);

    bench.advance(999);
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.state(), ControlState::Waiting) << "a second without a character";
}

// The timer may poll between the latch and the end of a character.
TEST(ControlMonitor, ACharacterUnderWayIsCountedOnceAndMeasuredWhenComplete) {
    Bench bench;
    ControlMonitor monitor;
    bench.latch('N', 0.6);
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.counts().characters, 1u);
    EXPECT_EQ(monitor.tail_text(), "N");
    EXPECT_EQ(monitor.sprocket_on().count(), 0u) << "its release is still to come";
    bench.advance(2.2);
    bench.sprocket(false);
    bench.advance(0.5);
    bench.put(0);
    monitor.poll(bench.control, bench.now);
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.counts().characters, 1u);
    EXPECT_DOUBLE_EQ(*monitor.sprocket_on().median(), 2.2);
    EXPECT_DOUBLE_EQ(*monitor.data_on().median(), 3.3);
}

TEST(ControlMonitor, AWrongCodeSetOnTheControlGivesMarkedParityErrors) {
    Bench bench;
    ControlMonitor monitor;
    bench.send_text("N1\n");
    VirtualControlSettings odd = bench.control.settings();
    odd.code = odd_parity;
    bench.control.set_settings(odd);
    bench.send_text("G\nX\r\n");  // even parity codes, read as odd
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.counts(), (MonitorCounts{8, 3, 5, 5}));
    EXPECT_EQ(monitor.latest_finding(), "character 8: parity error in code 0x0A");
    const TextUpdate update = monitor.take_text_update();
    EXPECT_FALSE(update.replace);
    // A line break in error carries a marker, so the error shows: one for CR LF.
    EXPECT_EQ(update.runs, (Runs{{"N1\n", false}, {"G\xA4\nX\xA4\n", true}}));
    EXPECT_TRUE(monitor.take_text_update().runs.empty()) << "taken once";
}

// After the reset the rest of the cut block, up to its end of block, is
// skipped as a control's label skip does: never shown as read.
TEST(ControlMonitor, ResetStartsAfreshWithoutTakingAnythingTwice) {
    Bench bench;
    ControlMonitor monitor;
    bench.send_text("N1");
    bench.latch('G');  // under way at the reset
    monitor.poll(bench.control, bench.now);
    monitor.reset();
    EXPECT_EQ(monitor.counts(), MonitorCounts{});
    EXPECT_EQ(monitor.interval().count(), 0u);
    bench.advance(2.2);
    bench.sprocket(false);
    bench.put(0);
    bench.advance(5);
    bench.send_text("X", ISO_even, {.on = 0.25});
    for (const char c : std::string("\nN2\n")) {
        bench.advance(2);  // within the control's rate
        bench.send_text(std::string(1, c));
    }
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.counts().characters, 5u);
    EXPECT_EQ(monitor.counts().blocks, 1u);
    EXPECT_EQ(monitor.sprocket_on().count(), 5u) << "X's and after";
    EXPECT_EQ(monitor.latest_finding(),
              "character 1: sprocket pulse 0.250 ms, shorter than 0.500 ms")
        << "numbered as the counter counts";
    const TextUpdate update = monitor.take_text_update();
    EXPECT_TRUE(update.replace) << "the view clears";
    EXPECT_EQ(update.runs, (Runs{{"N2\n", false}}));
}

TEST(ControlMonitor, KeepsOnlyABoundedTail) {
    Bench bench;
    ControlMonitor monitor(8);
    for (int i = 0; i < 4; ++i) bench.send_text("ABCDEFGHIJ");
    monitor.poll(bench.control, bench.now);
    EXPECT_EQ(monitor.counts().characters, 40u);
    const std::string tail = monitor.tail_text();
    EXPECT_LE(tail.size(), 9u);
    EXPECT_EQ(tail.substr(tail.size() - 3), "HIJ");
    TextUpdate update = monitor.take_text_update();
    EXPECT_TRUE(update.replace) << "the view fell behind by more than the tail";
    EXPECT_EQ(update.runs, (Runs{{tail, false}}));
    bench.send_text("XY");
    monitor.poll(bench.control, bench.now);
    update = monitor.take_text_update();
    EXPECT_FALSE(update.replace);
    EXPECT_EQ(update.runs, (Runs{{"XY", false}}));
}

TEST(DeviceTiming, TheRecordsTypedMillisecondsAndRate) {
    testing::TempDir dir;
    testing::DeviceSettings{}.write(dir.path(), "Mill");
    const auto read = read_settings_file(settings_path(dir.path(), "Mill"));
    ASSERT_TRUE(read.settings);
    const PortSettings& device = *read.settings;
    const DeviceTiming timing = device_timing_of(device);
    EXPECT_EQ(timing.data_on_ms, 3.33);
    EXPECT_EQ(timing.sprocket_on_ms, 2.2);
    EXPECT_EQ(timing.overlap_ms, 0.565);
    EXPECT_EQ(timing.cps, 300);
    const DeviceTiming none = device_timing_of(PortSettings{});
    EXPECT_FALSE(none.data_on_ms || none.sprocket_on_ms || none.overlap_ms || none.cps);
    using Ms = std::optional<double>;
    const std::pair<const char*, Ms> typed[] = {{" .565\t", .565}, {"0", 0}, {"&H10", {}}};
    for (const auto& [text, ms] : typed) EXPECT_EQ(typed_milliseconds(text), ms) << text;
}

}  // namespace
}  // namespace feedrite
