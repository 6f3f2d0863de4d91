#include "btr/block/parsit.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

using namespace std::string_literals;

TEST(Parsit, ExpandsWordsThenNumericCodes) {
    struct Case {
        std::string em;
        std::int16_t code;
        std::string expected;
    };
    const Case cases[] = {
        {"%LF", 0, "%\n"},       {"CR", 3, "\n"},       {"CR", 0, "\r"},
        {"LFCRLF", 1, "\n\r\n"}, {"ESC%", 0, "\x1b%"},  {"NULNULNUL", 0, "\0\0\0"s},
        {"<27>", 0, "\x1b"},     {"<&H1B>", 0, "\x1b"}, {"< &h 1b>", 0, "\x1b"},
        {"<65><66>", 0, "AB"},   {"< 6 5 >", 0, "A"},   {"<65.5>", 0, "B"},
        {"<65.4>", 0, "A"},      {"<-0.4>", 0, "\0"s},  {"<>", 0, "\0"s},
        {"<CR>", 0, "\0"s},     // the word goes first: '<' CR '>' reads as 0
        {"<60>5>", 0, "\x05"},  // an expanded "<" starts a new code
        {"<255>", 0, "\xff"},    {"A<65", 0, "A<65"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.em));
        EXPECT_EQ(parsit(c.em, c.code), c.expected);
    }
}

TEST(Parsit, StopsAtCodesItCannotMakeAndLeavesTheRest) {
    struct Case {
        const char *em, *expected;
    };
    // clang-format off
    const Case cases[] = {
        {"A>B<65>", "A>B<65>"},  {"<65>><66>", "A><66>"},  {"<256>", "<256>"},
        {"<255.5>", "<255.5>"},  {"<-1>", "<-1>"},         {"<&H100>", "<&H100>"},
        {"<65><300><66>", "A<300><66>"},
        {"<99999999999999999999999>", "<99999999999999999999999>"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.em);
        EXPECT_EQ(parsit(c.em, 0), c.expected);
    }
}

}  // namespace
}  // namespace feedrite
