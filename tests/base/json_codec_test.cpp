// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/json_codec.h"

#include <gtest/gtest.h>

#include <cmath>

namespace feedrite {
namespace {

using namespace std::string_literals;

// The forms the history has always had on disk; 8-bit bytes that are not
// UTF-8 are kept as \u00XX.
TEST(JsonCodec, WritesStringsAndNumbersInTheFilesForm) {
    const std::pair<std::string, std::string> strings[] = {
        {"plain (1)", "\"plain (1)\""},
        {"q\"b\\", R"("q\"b\\")"},
        {"\b\f\n\r\t\x01\x1f\x7f"s, R"("\b\f\n\r\t\u0001\u001f)"
                                    "\x7f\""},
        {"\xc3\xa9\xe2\x82\xac", "\"\xc3\xa9\xe2\x82\xac\""},             // UTF-8 as it is
        {"\xe9t\xc3", R"("\u00e9t\u00c3")"},                              // Latin-1, torn UTF-8
        {"\xed\xa0\x80\xc0\xaf", R"("\u00ed\u00a0\u0080\u00c0\u00af")"},  // surrogate, overlong
    };
    for (const auto& [bytes, json] : strings) EXPECT_EQ(json_string(bytes), json);
    const std::pair<double, const char*> numbers[] = {
        {0, "0"},
        {-5, "-5"},
        {7030819, "7030819"},
        {0.601, "0.601"},
        {0.001, "0.001"},
        {1e-4, "1e-04"},
        {2.5e-7, "2.5e-07"},
        {1234567.5, "1234567.5"},
        {1e15, "1000000000000000"},
        {1e16, "1e+16"},
        {-1e21, "-1e+21"},
        {123456789012345678.0, "123456789012345680"},
        {NAN, "null"},
        {294.11764705882354, "294.11764705882354"},
    };
    for (const auto& [value, json] : numbers) EXPECT_EQ(json_number(value), json) << json;
    JsonWriter inner;
    inner.number("a b", 1.5);
    EXPECT_EQ(JsonWriter().string("s", "x").null("n").object("o", inner).text(),
              R"({"s":"x","n":null,"o":{"a b":1.5}})");
    EXPECT_EQ(JsonWriter(true).number("line", 3).boolean("running", true).text(),
              R"({"line": 3, "running": true})");
}

TEST(JsonCodec, ReadsBackEveryByteAndEveryKind) {
    std::string every_byte;
    for (int c = 0; c < 256; ++c) every_byte += static_cast<char>(c);
    const auto read = parse_json_object(R"( {"s": )" + json_string(every_byte) +
                                        R"(, "n": -1.5e2, "t": true, "f": false, "z": null,
        "o": {"x": 1, "e": "\u20ac\/"}, "s2": "\u00e9", "s2": "last"} )");
    ASSERT_TRUE(read);
    EXPECT_EQ(json_member(*read, "s")->text, every_byte);
    EXPECT_EQ(json_member(*read, "n")->number, -150);
    EXPECT_TRUE(json_member(*read, "t")->boolean);
    EXPECT_EQ(json_member(*read, "f")->kind, JsonKind::Boolean);
    EXPECT_FALSE(json_member(*read, "f")->boolean);
    EXPECT_EQ(json_member(*read, "z")->kind, JsonKind::Null);
    const JsonObject& o = json_member(*read, "o")->members;
    EXPECT_EQ(json_member(o, "e")->text, "\xe2\x82\xac/");
    EXPECT_EQ(json_member(*read, "s2")->text, "last") << "the last of a repeated name";
    EXPECT_EQ(json_member(*read, "absent"), nullptr);
    EXPECT_TRUE(parse_json_object("{}"));
}

TEST(JsonCodec, RefusesWhatIsNotOneFlatObject) {
    const char* refused[] = {
        "",
        R"({"a":1)",
        R"({"a":1}x)",
        R"({"a":1,})",
        R"([1])",
        R"({"a":[1]})",
        R"({"a":{"b":{}}})",
        R"({"a":"\u12G4"})",
        R"({"a":"\ud800"})",
        R"({"a":"\q"})",
        "{\"a\":\"\n\"}",
        R"({"a":01})",
        R"({"a":1.})",
        R"({"a":-})",
        R"({"a":1e999})",
        R"({"a":tru})",
        R"({a:1})",
        R"({"a" 1})",
        R"("a")",
    };
    for (const char* text : refused) EXPECT_FALSE(parse_json_object(text)) << text;
    const std::string huge = R"({"a":")" + std::string(json_text_limit, 'x') + R"("})";
    EXPECT_FALSE(parse_json_object(huge));
}

}  // namespace
}  // namespace feedrite
