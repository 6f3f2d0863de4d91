#include <gtest/gtest.h>

#include "btr/port/virtual_control.h"
#include "tests/btr/port/control_bench.h"

namespace feedrite {
namespace {

using testing::Bench;

constexpr int run = 0x7F, stop = 0xFF;  // status with positive run/stop logic

TEST(RunScript, PinFollowsTheControlsPolarityAndStopsAfterNCharacters) {
    for (const bool positive : {true, false}) {
        VirtualControlSettings settings;
        settings.RunStop_logic = positive;
        Bench bench(settings);
        bench.control.set_script({.stop_after = 3});
        bench.start();
        bench.send_text("G0", ISO_even);
        EXPECT_EQ(bench.port.port_read(1), positive ? run : stop);
        bench.send_text("X", ISO_even);
        bench.advance(1000);
        EXPECT_EQ(bench.port.port_read(1), positive ? stop : run);
        bench.control.cycle_start();
        bench.send_text("Y1234", ISO_even);
        EXPECT_TRUE(bench.control.in_run()) << "the script is spent";
        EXPECT_TRUE(bench.kinds().empty());
    }
}

TEST(RunScript, RepeatedTimedStopsResumeOnTheirOwn) {
    Bench bench;
    bench.control.set_script({.stop_after = 2, .stop_ms = 10, .repeat = true});
    bench.start();
    bench.send_text("G1", ISO_even);
    bench.advance(5);
    EXPECT_EQ(bench.port.port_read(1), stop);
    bench.advance(20);
    EXPECT_EQ(bench.port.port_read(1), run);
    std::vector<PinEdge> edges;
    for (const PinEdge& edge : bench.control.edges())
        if (edge.pin == 11) edges.push_back(edge);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[0].at, bench.control.characters()[1].latched);
    EXPECT_EQ(edges[1].at - edges[0].at, std::chrono::milliseconds(10)) << "dated when it ran out";
    bench.send_text("X2", ISO_even);
    EXPECT_EQ(bench.port.port_read(1), stop);
}

TEST(RunScript, StopForAndFeedHold) {
    Bench bench;
    bench.control.stop_for(4);
    EXPECT_FALSE(bench.control.in_run());
    bench.advance(4);
    EXPECT_TRUE(bench.control.in_run());
    bench.control.feed_hold();
    bench.advance(1000);
    EXPECT_FALSE(bench.control.in_run());
    bench.control.cycle_start();
    EXPECT_TRUE(bench.control.in_run());
}

}  // namespace
}  // namespace feedrite
