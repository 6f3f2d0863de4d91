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
        {"typed address below 100", [](auto& m) { m.choose_port(LPT_other); m.address_txt = "9"; m.address = 9; },
         "Port selection error", typed_refused},
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
    for (const char* good : {"LATHE 2", "Mill (old)", "(default)"})
        EXPECT_EQ(device_name_problem(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
        {"", "empty"},       {"   ", "blanks"},   {"..", "\"..\""},        {"../../x", "\"/\""},
        {"a\nb", "control"}, {"t\tb", "control"}, {{"n\0x", 3}, "control"}};
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
