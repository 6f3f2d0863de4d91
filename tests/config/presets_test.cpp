#include "config/presets.h"

#include <gtest/gtest.h>

#include "config/calibration.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

TEST(Presets, EachFillsItsValuesAndShowsItsSpeed) {
    struct Case {
        Preset preset;
        const char *data_on, *reset, *speed;
        bool eia, sprocket_pos, async;
        int beeps;
    };
    const Case cases[] = {
        {Preset::Fanuc, "3.33", "M30", " 300", false, true, false, 0},
        {Preset::Yasnac, "4.0", "M30", " 200", false, true, false, 0},
        // EIA clears the end-of-block boxes; LF ticked under EIA beeps and stays.
        {Preset::PW, "1.8", "M02", " 150", true, false, true, 1},
    };
    for (const Case& c : cases) {
        testing::ScriptedHost host;
        ConfigModel model(host);
        model.set_ticked(Tick::chk_LFCR, true);
        model.mask_txt = "kept";
        apply_preset(model, c.preset);
        EXPECT_EQ(model.Data_on_txt, c.data_on);
        EXPECT_EQ(model.Reset_on_txt, c.reset);
        EXPECT_EQ(model.leader_txt, "%LF");
        EXPECT_EQ(model.ticked(Tick::chk_EIA), c.eia);
        EXPECT_EQ(model.ticked(Tick::chk_even), !c.eia);
        EXPECT_TRUE(model.ticked(Tick::chk_LF));
        EXPECT_FALSE(model.ticked(Tick::chk_LFCR));
        EXPECT_EQ(model.eob_enabled(), !c.eia);
        EXPECT_TRUE(model.ticked(Tick::Chk_Data_Pos));
        EXPECT_EQ(model.ticked(Tick::Chk_Sprocket_Pos), c.sprocket_pos);
        EXPECT_EQ(model.ticked(Tick::Chk_Sprocket_Neg), !c.sprocket_pos);
        EXPECT_EQ(model.ticked(Tick::Chk_ready_neg), !c.sprocket_pos);
        EXPECT_EQ(model.ticked(Tick::Chk_Async), c.async);
        EXPECT_EQ(model.mask_txt, "kept");
        EXPECT_EQ(host.beeps, c.beeps);
        EXPECT_EQ(speed_display(model.ticked(Tick::Chk_Async), model.Data_on_txt,
                                model.Sprocket_on_txt, model.Data_off_txt),
                  c.speed);
    }
}

TEST(Presets, Names) {
    EXPECT_EQ(preset_named("Fanuc"), Preset::Fanuc);
    EXPECT_EQ(preset_named("PW"), Preset::PW);
    EXPECT_EQ(preset_named("yasnac"), Preset::Yasnac);
    EXPECT_EQ(preset_named("fanu"), std::nullopt);
    EXPECT_EQ(speed_display(false, "0", "2", "0"), "---");
}

}  // namespace
}  // namespace feedrite
