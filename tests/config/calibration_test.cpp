#include "config/calibration.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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

TEST(Calibration, SpeedTestKeepsTheBestOfTenSeconds) {
    ScriptedSeconds pc({3000, 5000, 2000, 5001, 4000, 1, 2, 3, 4, 2});
    std::int32_t best = -1;
    ASSERT_TRUE(run_speed_test(pc.host, pc.start_second(), best));
    std::int32_t best_of_5000 = -1;
    ScriptedSeconds same({5001, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    ASSERT_TRUE(run_speed_test(same.host, same.start_second(), best_of_5000));
    EXPECT_EQ(best, best_of_5000);
    EXPECT_EQ(pc.host.beeps, 10);
    EXPECT_FALSE(pc.host.wait_pointer);
    ASSERT_EQ(pc.host.messages.size(), 1u);
    EXPECT_EQ(pc.host.messages[0].text,
              "Cutwave will now test your PCs speed ...\nThis test will take 10 seconds.");
    EXPECT_EQ(pc.host.messages[0].buttons, MessageButtons::OkCancel);
}

TEST(Calibration, RateIsTheDelayLoopsOwnPassesTimesTheMargin) {
    // From a PC that makes 50,000 passes a second to one that makes 50 million.
    for (const long yields : {5001L, 50001L, 500001L, 5000001L}) {
        std::vector<long> seconds(10, 1);
        seconds[3] = yields;
        ScriptedSeconds pc(seconds);
        std::int32_t best = 0;
        ASSERT_TRUE(run_speed_test(pc.host, pc.start_second(), best));
        const double passes = 10.0 * (yields - 1);
        EXPECT_NEAR(calibrated_rate(best) / (passes * timing_margin), 1.0, 2e-4)
            << passes << " passes, best " << best;
    }
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
