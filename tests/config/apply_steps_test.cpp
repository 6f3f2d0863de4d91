// Apply's checks without a window: the dialog and feedrite-config both run
// them, so their order and messages are checked once, here.

#include "config/apply_steps.h"

#include <gtest/gtest.h>

#include "config/entry_rules.h"
#include "config/presets.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

TEST(ApplySteps, CheckedTimesRefuseInOrderAndNameTheFirstFault) {
    static const std::string typed_refused =
        "Selected port address is invalid\nChoose a different port\n" + typed_address_rule();
    // Each row breaks the boxes named, on top of a good Fanuc device on LPT1;
    // only the first fault in Apply's order is told.
    const struct {
        const char* name;
        void (*spoil)(ConfigModel&);
        const char* title;
        std::string text;
    } cases[] = {
        {"typed address unknown", [](ConfigModel& m) { m.choose_port(LPT_other); m.Data_on_txt = "0"; },
         "Port selection error", typed_refused},
        // By the text as it stands: a kept value does not outlive a cleared box.
        {"typed address below 100", [](ConfigModel& m) { m.choose_port(LPT_other); m.address_txt = "9"; m.address = 9; },
         "Port selection error", typed_refused},
        {"typed address cleared", [](ConfigModel& m) { m.choose_port(LPT_other); m.address_txt = ""; m.address = 888; },
         "Port selection error", typed_refused},
        {"sprocket before data on", [](ConfigModel& m) { m.Sprocket_on_txt = "0"; m.Data_on_txt = "0"; },
         "Entry error", "Invalid entry for sprocket on time"},
        {"data on not above sprocket", [](ConfigModel& m) { m.Data_on_txt = "2.2"; m.Sprocket_overlap_txt = "0"; },
         "Entry error", "Invalid entry for data on time"},
        {"overlap", [](ConfigModel& m) { m.Sprocket_overlap_txt = "-1"; m.Data_off_txt = "-1"; },
         "Entry error", "Invalid entry for sprocket/data overlap"},
        {"data off", [](ConfigModel& m) { m.Data_off_txt = "-1"; m.EOB_delay_txt = "-1"; },
         "Entry error", "Invalid entry for data off time"},
        {"block delay", [](ConfigModel& m) { m.EOB_delay_txt = "-0.5"; },
         "Entry error", "Invalid entry for delay between blocks"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScriptedHost host;
        ConfigModel model(host);
        model.choose_port(0);
        apply_preset(model, Preset::Fanuc);
        c.spoil(model);
        host.messages.clear();
        EXPECT_FALSE(checked_times(model, host).has_value());
        EXPECT_EQ(host.messages, testing::told(c.text, c.title, MessageIcon::Exclamation));
    }
    // An asynchronous reader needs no data-on time above the sprocket's.
    testing::ScriptedHost host;
    ConfigModel model(host);
    model.choose_port(0);
    apply_preset(model, Preset::Fanuc);
    model.set_ticked(Tick::Chk_Async, true);
    model.Data_on_txt = "1";
    const auto times = checked_times(model, host);
    ASSERT_TRUE(times.has_value());
    EXPECT_EQ(times->data_on, 1.0);
    EXPECT_EQ(times->sprocket_on, 2.2);
}

}  // namespace
}  // namespace feedrite
