#include "config/calibration.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

TEST(Calibration, RateFromTheBestSecond) {
    struct Case {
        std::int32_t best, rate;
    };
    for (const Case c : {Case{65000, 72800}, Case{200000, 242447}, Case{0, 0}}) {
        EXPECT_EQ(calibrated_rate(c.best), c.rate) << "best " << c.best;
    }
}

TEST(Calibration, LoopCounts) {
    const MillisecondTimes fanuc{3.33, 2.2, .565, 0, 0};
    EXPECT_EQ(loop_counts(fanuc, 242447), (LoopCounts{808, 534, 137, 0, 0}));
    EXPECT_EQ(loop_counts(fanuc, 72800), (LoopCounts{243, 161, 42, 0, 0}));
    // Any data-off time gets a pass; a block delay shorter than one pass gets none.
    EXPECT_EQ(loop_counts({1, 1, 1, 0.0001, 0.0001}, 1000), (LoopCounts{2, 2, 2, 1, 0}));
    EXPECT_EQ(loop_counts({1, 1, 1, 2, 2}, 1000).delay5, 2);
}

TEST(Calibration, SpeedTestKeepsTheBestOfTenSeconds) {
    testing::ScriptedHost host;
    bool* stopit = nullptr;
    const long yields_per_second[] = {3, 5, 2, 5, 4, 1, 2, 3, 4, 2};
    int second = 0;
    long end_at = 0;
    auto start_second = [&](bool& flag) {
        stopit = &flag;
        end_at = host.yields + yields_per_second[second++];
    };
    host.at_every_yield = [&] {
        if (host.yields == end_at) *stopit = true;
    };
    std::int32_t best = -1;
    ASSERT_TRUE(run_speed_test(host, start_second, best));
    EXPECT_EQ(best, 41);  // yields at 0, 10, 20, 30, 40; the tick in the fifth ends it after 41
    EXPECT_EQ(host.beeps, 10);
    EXPECT_FALSE(host.wait_pointer);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Cutwave will now test your PCs speed ...\nThis test will take 10 seconds.");
    EXPECT_EQ(host.messages[0].buttons, MessageButtons::OkCancel);
}

TEST(Calibration, DecliningTheTestChangesNothing) {
    testing::ScriptedHost host;
    host.answers = {MessageAnswer::Cancel};
    std::int32_t best = 7;
    EXPECT_FALSE(run_speed_test(host, [](bool&) {}, best));
    EXPECT_EQ(best, 7);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(host.yields, 0);
    EXPECT_FALSE(host.wait_pointer);
}

}  // namespace
}  // namespace feedrite
