#include "btr/block/prepare_block.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

PortSettings settings(std::string format, std::string mask) {
    PortSettings s;
    s.BTRformat = std::move(format);
    s.BTRmask = std::move(mask);
    s.BTReob = std::string("\r\n");
    return s;
}

// The saved copy is the block as the conversion found it: first comment set
// aside, masked outside comments. Only a letter missing from the format
// (cause B) names itself in the caption.
TEST(PrepareBlock, RefusesPointsItCannotConvertAndAsksForARestart) {
    struct Case {
        const char *block, *caption, *saved;
    };
    // clang-format off
    const Case cases[] = {
        {"5.0", "", "5.0"},                {".5", "", ".5"},          {" -1 5.0", "", "-15.0"},
        {"Q 1.5 (C)", "Q   1", "Q1.5"},    {"X1.5 Y2.5", "Y   1", "X1.5Y2.5"},
        {"G0 (A) X1.5 (B.2)", "B   1", "G0X1.5(B.2)"},
        {"G0 (A) X1.5 (R.5)", "R   1", "G0X1.5(R.5)"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block);
        testing::ScriptedHost host;
        WindowState state;
        EXPECT_FALSE(
            prepare_block(c.block, true, false, settings("X3", " R"), host, state).has_value());
        EXPECT_EQ(host.caption, c.caption);
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text,
                  std::string("Decimal point conversion error:\n<") + c.saved + ">");
        EXPECT_EQ(host.messages[0].title, "Decimal error");
        EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(host.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(state.DNC_reset, DNC_restart);
    }
}

TEST(PrepareBlock, ConvertedBlockGoesOutWithoutAMessage) {
    testing::ScriptedHost host;
    WindowState state;
    EXPECT_EQ(prepare_block("X1.5", true, false, settings("X3", ""), host, state), "X1500\r\n");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(state.DNC_reset, DNC_run);
}

}  // namespace
}  // namespace feedrite
