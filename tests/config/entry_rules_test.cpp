#include "config/entry_rules.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

TEST(EntryRules, DeviceNamesAddressesAndTimes) {
    for (const char* good : {"LATHE 2", "Mill (old)", "(default)"})
        EXPECT_EQ(device_name_problem(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
        {"", "empty"},       {"   ", "blanks"},   {"..", "\"..\""},        {"../../x", "\"/\""},
        {"a\nb", "control"}, {"t\tb", "control"}, {{"n\0x", 3}, "control"}};
    for (const auto& [name, says] : bad)
        EXPECT_NE(device_name_problem(name).find(says), std::string::npos) << name;

    for (const auto& [text, value] : {std::pair{"3bc", 0x3BC},
                                      {"D010", 0xD010},
                                      {"100", 0x100},
                                      {"FFFD", 0xFFFD},
                                      {"9", 0},
                                      {"FF", 0},
                                      {"FFFE", 0},
                                      {"", 0},
                                      {"????", 0},
                                      {"378 ", 0},
                                      {"10000", 0}})
        EXPECT_EQ(typed_port_address(text).value_or(0), value) << text;

    // Text, while typing, when complete.
    for (const auto& [text, typing, complete] : {std::tuple{"3.33", true, true},
                                                 {".5", true, true},
                                                 {"", true, false},
                                                 {".", true, false},
                                                 {"1.2.3", false, false},
                                                 {"-1", false, false},
                                                 {"1e3", false, false}}) {
        EXPECT_EQ(is_millisecond_text(text, false), typing) << text;
        EXPECT_EQ(is_millisecond_text(text, true), complete) << text;
    }
}

}  // namespace
}  // namespace feedrite
