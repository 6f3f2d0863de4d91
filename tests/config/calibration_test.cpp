// SPDX-License-Identifier: GPL-3.0-or-later
// The speed test, loop counts and speed display, the control presets, and
// Apply's checks.
#include "config/calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "base/file_io.h"
#include "base/limits.h"
#include "btr/delay_loop.h"
#include "btr/speed_test.h"
#include "config/apply_steps.h"
#include "config/entry_rules.h"
#include "config/presets.h"
#include "config/settings_paths.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

TEST(Calibration, RateFromTheBestSecondAndLoopCounts) {
    EXPECT_EQ(calibrated_rate(65000), 72800);
    EXPECT_EQ(calibrated_rate(0), 0);
    const MillisecondTimes fanuc{3.33, 2.2, .565, 0, 0};
    EXPECT_EQ(loop_counts(fanuc, 72800), (LoopCounts{243, 161, 42, 0, 0}));
    // Any data-off time gets a pass; a block delay shorter than one pass gets none.
    EXPECT_EQ(loop_counts({1, 1, 1, 0.0001, 0.0001}, 1000), (LoopCounts{2, 2, 2, 1, 0}));
    EXPECT_EQ(loop_counts({1, 1, 1, 2, 2}, 1000).delay5, 2);
    // No count beyond what the delay loop can count, on a PC of any speed.
    EXPECT_EQ(loop_counts({10000, 1, 1, 0, 10000}, 2147483647).delay1, max_loop_count);
    // The loop's counter ends at its top, whatever count it is given.
    testing::ScriptedHost host;
    EXPECT_EQ(run_delay_passes(host, 2147483640, 1e300), 2147483647);
    EXPECT_EQ(run_delay_passes(host, 5, std::nan("")), 5);
}

// The scripted host stands for the PC: a second that ends in its k-th yield
// has made 10 (k - 1) passes of the delay loop, and a few more to finish the
// counting pass under way.
struct ScriptedSeconds {
    testing::ScriptedHost host;
    std::vector<long> yields_per_second;
    bool* stopit = nullptr;
    std::size_t second = 0;
    long end_at = 0;

    explicit ScriptedSeconds(std::vector<long> yields) : yields_per_second(std::move(yields)) {
        host.at_every_yield = [this] {
            if (host.yields == end_at) *stopit = true;
        };
    }
    std::function<void(bool&)> start_second() {
        return [this](bool& flag) {
            stopit = &flag;
            end_at = host.yields + yields_per_second.at(second++);
        };
    }
};

// The best of ten seconds, from a PC that makes 50,000 passes a second to
// one that makes 50 million, gives the rate at the margin over its passes.
TEST(Calibration, RateIsTheBestSecondsPassesTimesTheMargin) {
    for (const long yields : {5001L, 50001L, 500001L, 5000001L}) {
        ScriptedSeconds pc({3000, 5000, 2000, yields, 4000, 1, 2, 3, 4, 2});
        SpeedTest test;
        std::vector<int> told;
        ASSERT_TRUE(run_speed_test(pc.host, pc.start_second(), test,
                                   [&told](int left) { told.push_back(left); }));
        const double passes = 10.0 * (yields - 1);
        EXPECT_NEAR(calibrated_rate(test.best()) / (passes * timing_margin), 1.0, 2e-4)
            << passes << " passes, best " << test.best();
        EXPECT_EQ(told, (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
        EXPECT_EQ(pc.host.beeps, 10);
        EXPECT_FALSE(pc.host.wait_pointer);
        ASSERT_EQ(pc.host.messages.size(), 1u);
        EXPECT_EQ(pc.host.messages[0].text,
                  "Cutwave will now test your PCs speed ...\nThis test will take 10 seconds.");
        EXPECT_EQ(pc.host.messages[0].buttons, MessageButtons::OkCancel);
    }
}

// Boxes: EIA, even, LF, LF/CR, data +, sprocket +, sprocket -, ready -, Async.
TEST(Presets, EachFillsItsValuesAndShowsItsSpeed) {
    using enum Tick;
    struct Case {
        Preset preset;
        const char *data_on, *reset, *rapid, *speed, *boxes;
        int beeps;
    };
    const Case cases[] = {
        {Preset::Yasnac, "4.0", "M30", "15000", " 200", "011011000", 0},
        // EIA clears the end-of-block boxes; LF ticked under EIA beeps and stays.
        {Preset::PW, "1.8", "M02", "10000", " 150", "101010111", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data_on);
        testing::ScriptedHost host;
        ConfigModel m(host);
        m.set_ticked(chk_LFCR, true);
        m.mask_txt = "kept";
        apply_preset(m, c.preset);
        EXPECT_EQ(m.Data_on_txt + "|" + m.Reset_on_txt + "|" + m.Rapid_rate_txt + "|" +
                      m.leader_txt + "|" + m.mask_txt,
                  std::string(c.data_on) + "|" + c.reset + "|" + c.rapid + "|%LF|kept");
        std::string boxes;
        for (const Tick box : {chk_EIA, chk_even, chk_LF, chk_LFCR, Chk_Data_Pos, Chk_Sprocket_Pos,
                               Chk_Sprocket_Neg, Chk_ready_neg, Chk_Async})
            boxes += m.ticked(box) ? '1' : '0';
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(host.beeps, c.beeps);
        EXPECT_EQ(
            speed_display(m.ticked(Chk_Async), m.Data_on_txt, m.Sprocket_on_txt, m.Data_off_txt),
            c.speed);
    }
    EXPECT_EQ(speed_display(false, "0", "2", "0"), "---");
}

// A second more than 10% below the best warns; the line's own words are
// checked in the config tool test.
TEST(Calibration, ResultLineWarnsWhenTheSecondsVaried) {
    struct Case {
        std::vector<std::int32_t> counts;
        bool busy;
    };
    for (const Case& c : {Case{{100000, 91000, 95000}, false}, Case{{100000, 89999}, true},
                          Case{{100000}, false}, Case{{}, false}}) {
        const std::string line = speed_test_result(SpeedTest{c.counts}, "300");
        EXPECT_EQ(line.find("the PC was busy") != std::string::npos, c.busy) << line;
    }
}

// Apply's checks without a window: the dialog and feedrite-config both run
// them, so their order and messages are checked once, here.
TEST(ApplySteps, CheckedTimesRefuseInOrderAndNameTheFirstFault) {
    static const std::string typed_refused =
        "Selected port address is invalid\nChoose a different port\n" + typed_address_rule();
    // Each row changes the boxes named, on top of a good Fanuc device on LPT1;
    // only the first fault in Apply's order is told.
    const struct {
        const char* name;
        void (*spoil)(ConfigModel&);
        const char* title;
        std::string text;
    } cases[] = {
        // clang-format off
        {"typed address unknown", [](auto& m) { m.choose_port(LPT_other); m.Data_on_txt = "0"; },
         "Port selection error", typed_refused},
        // By the text as it stands: a kept value does not outlive a cleared box.
        {"typed address cleared", [](auto& m) { m.choose_port(LPT_other); m.address_txt = ""; m.address = 888; },
         "Port selection error", typed_refused},
        {"sprocket before data on", [](auto& m) { m.Sprocket_on_txt = "0"; m.Data_on_txt = "0"; },
         "Entry error", "Invalid entry for sprocket on time"},
        {"data on not above sprocket", [](auto& m) { m.Data_on_txt = "2.2"; m.Sprocket_overlap_txt = "0"; },
         "Entry error", "Invalid entry for data on time"},
        {"overlap", [](auto& m) { m.Sprocket_overlap_txt = "-1"; m.Data_off_txt = "-1"; },
         "Entry error", "Invalid entry for sprocket/data overlap"},
        {"data off", [](auto& m) { m.Data_off_txt = "-1"; m.EOB_delay_txt = "-1"; },
         "Entry error", "Invalid entry for data off time"},
        {"block delay", [](auto& m) { m.EOB_delay_txt = "-0.5"; },
         "Entry error", "Invalid entry for delay between blocks"},
        {"acceleration", [](auto& m) { m.Acceleration_txt = "500 -1"; m.Read_ahead_txt = "0"; },
         "Entry error", "Invalid entry for acceleration (mm/s\xb2 of X Y Z, blank between, 0 or more)"},
        {"read ahead", [](auto& m) { m.Read_ahead_txt = "100"; }, "Entry error",
         "Invalid entry for blocks the control reads ahead (1 to 99)"},
        // An asynchronous reader needs no data-on time above the sprocket's.
        {"asynchronous", [](auto& m) { m.set_ticked(Tick::Chk_Async, true); m.Data_on_txt = "1"; }, "", ""},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedHost host;
        ConfigModel model(host);
        model.choose_port(0);
        apply_preset(model, Preset::Fanuc);
        c.spoil(model);
        host.messages.clear();
        const auto times = checked_times(model, host);
        EXPECT_EQ(times.has_value() ? times->data_on : -1, c.text.empty() ? 1.0 : -1);
        EXPECT_EQ(host.messages, c.text.empty()
                                     ? testing::Messages{}
                                     : testing::told(c.text, c.title, MessageIcon::Exclamation));
    }
}

TEST(EntryRules, DeviceNamesAddressesAndTimes) {
    const std::string longest(max_device_name_bytes, '\xE9');
    for (const std::string& good :
         {std::string("LATHE 2"), std::string("Mill (old)"), std::string("(default)"), longest})
        EXPECT_EQ(device_name_problem(good), "") << good;
    testing::TempDir dir;  // the longest name's settings file can be saved
    EXPECT_TRUE(write_file_atomic(settings_path(dir.path(), longest), "x").ok());
    const std::pair<std::string, const char*> bad[] = {{"", "empty"},
                                                       {"   ", "blanks"},
                                                       {"..", "\"..\""},
                                                       {"../../x", "\"/\""},
                                                       {"a\nb", "control"},
                                                       {"t\tb", "control"},
                                                       {{"n\0x", 3}, "control"},
                                                       {longest + "x", "at most 211 bytes"}};
    for (const auto& [name, says] : bad)
        EXPECT_NE(device_name_problem(name).find(says), std::string::npos) << name;

    const std::pair<const char*, int> addresses[] = {
        {"3bc", 0x3BC}, {"D010", 0xD010}, {"100", 0x100}, {"FFFD", 0xFFFD}, {"9", 0},    {"FF", 0},
        {"FFFE", 0},    {"", 0},          {"????", 0},    {"378 ", 0},      {"10000", 0}};
    for (const auto& [text, value] : addresses)
        EXPECT_EQ(typed_port_address(text).value_or(0), value) << text;

    const std::tuple<const char*, bool, bool> times[] = {
        // text, while typing, when complete
        {"3.33", true, true},    {".5", true, true},   {"", true, false},    {".", true, false},
        {"1.2.3", false, false}, {"-1", false, false}, {"1e3", false, false}};
    for (const auto& [text, typing, complete] : times) {
        EXPECT_EQ(is_millisecond_text(text, false), typing) << text;
        EXPECT_EQ(is_millisecond_text(text, true), complete) << text;
    }
}

}  // namespace
}  // namespace feedrite
