// The dialog model's port list and tick-box reactions.
#include "config/config_model.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

using testing::ScriptedHost;

TEST(ConfigModel, PortListSetsFixedAddressesOrOpensTheBox) {
    struct Case {
        int index;
        const char* shown;
        float address;
        bool enabled;
    };
    const Case cases[] = {{0, "378", 888, false},
                          {1, "278", 632, false},
                          {2, "3E8", 1000, false},
                          {3, "2E8", 744, false},
                          {4, "????", 123, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(LPT_items[static_cast<std::size_t>(c.index)]);
        ScriptedHost host;
        ConfigModel m(host);
        m.address = 123;
        m.address_txt_enabled = !c.enabled;
        ASSERT_TRUE(m.choose_port(c.index));
        EXPECT_EQ(m.LPT_index(), c.index);
        EXPECT_EQ(m.address_txt, c.shown);
        EXPECT_EQ(m.address, c.address);
        EXPECT_EQ(m.address_txt_enabled, c.enabled);
    }
    ScriptedHost host;
    ConfigModel m(host);
    EXPECT_FALSE(m.choose_port(5) || m.choose_port(-1));
    EXPECT_EQ(m.LPT_index(), -1);
}

// ISO with one end-of-block box, then EIA: clearing that box under EIA warns,
// except LF/CR, which the ISO box's reaction may tick itself.
TEST(ConfigModel, TickingEiaClearsAndLocksTheEndOfBlockBoxes) {
    const std::pair<Tick, int> cases[] = {
        {Tick::chk_LF, 1}, {Tick::chk_CR, 1}, {Tick::chk_CRLF, 1}, {Tick::chk_LFCR, 0}};
    for (const auto& [box, beeps] : cases) {
        SCOPED_TRACE(static_cast<int>(box));
        ScriptedHost host;
        ConfigModel m(host);
        m.set_ticked(Tick::chk_even, true);
        EXPECT_TRUE(m.ticked(Tick::chk_LFCR));  // the fallback when none is ticked
        m.set_ticked(box, true);
        for (const Tick eob : eob_boxes) EXPECT_EQ(m.ticked(eob), eob == box);  // one of four
        m.set_ticked(Tick::chk_EIA, true);
        EXPECT_EQ(host.beeps, beeps);
        EXPECT_FALSE(m.ticked(Tick::chk_even));
        for (const Tick eob : eob_boxes) EXPECT_FALSE(m.ticked(eob));
        EXPECT_FALSE(m.eob_enabled());

        m.set_ticked(Tick::chk_CR, true);  // under EIA: a warning, the tick stays
        EXPECT_EQ(host.beeps, beeps + 1);
        EXPECT_TRUE(m.ticked(Tick::chk_CR));

        m.set_ticked(Tick::chk_even, true);
        EXPECT_FALSE(m.ticked(Tick::chk_EIA));
        EXPECT_TRUE(m.eob_enabled() && m.ticked(Tick::chk_CR) && !m.ticked(Tick::chk_LFCR));
    }
}

TEST(ConfigModel, EachPolarityPairHoldsExactlyOneTick) {
    const std::pair<Tick, Tick> pairs[] = {{Tick::Chk_Data_Pos, Tick::Chk_Data_Neg},
                                           {Tick::Chk_Sprocket_Pos, Tick::Chk_Sprocket_Neg},
                                           {Tick::Chk_RunStop_Pos, Tick::Chk_RunStop_Neg},
                                           {Tick::Chk_ready_pos, Tick::Chk_ready_neg}};
    for (const auto& [positive, negative] : pairs) {
        SCOPED_TRACE(static_cast<int>(positive));
        ScriptedHost host;
        ConfigModel m(host);
        EXPECT_TRUE(m.ticked(positive) && !m.ticked(negative));
        const std::pair<Tick, bool> clicks[] = {
            {positive, false}, {positive, true}, {negative, true}, {negative, false}};
        for (const auto& [box, on] : clicks) {
            m.set_ticked(box, on);
            EXPECT_EQ(m.ticked(box), on);
            EXPECT_NE(m.ticked(positive), m.ticked(negative));
        }
    }
}

}  // namespace
}  // namespace feedrite
