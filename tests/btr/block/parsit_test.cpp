#include "btr/block/parsit.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

using namespace std::string_literals;

// Words first, then numeric codes; a code that cannot be made stops the
// expansion and leaves the rest as written.
TEST(Parsit, ExpandsWordsThenNumericCodesAndStopsAtCodesItCannotMake) {
    const struct {
        std::string em;
        std::int16_t code;
        std::string expected;
    } cases[] = {
        // clang-format off
        {"%LF", 0, "%\n"},       {"CR", 3, "\n"},       {"CR", 0, "\r"},
        {"LFCRLF", 1, "\n\r\n"}, {"ESC%", 0, "\x1b%"},  {"NULNULNUL", 0, "\0\0\0"s},
        {"<27>", 0, "\x1b"},     {"<&H1B>", 0, "\x1b"}, {"< &h 1b>", 0, "\x1b"},
        {"<65><66>", 0, "AB"},   {"< 6 5 >", 0, "A"},   {"<65.5>", 0, "B"},
        {"<-0.4>", 0, "\0"s},    {"<>", 0, "\0"s},
        {"<76>F", 0, "LF"},      // words go first: a code makes no new word
        {"<60>5>", 0, "\x05"},   // an expanded "<" starts a new code
        {"<255>", 0, "\xff"},    {"A<65", 0, "A<65"},   {"<65>><66>", 0, "A><66>"},
        {"<256>", 0, "<256>"},
        {"<255.5>", 0, "<255.5>"}, {"<-1>", 0, "<-1>"}, {"<&H100>", 0, "<&H100>"},
        {"<65><300><66>", 0, "A<300><66>"},
        {"<99999999999999999999999>", 0, "<99999999999999999999999>"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.em));
        EXPECT_EQ(parsit(c.em, c.code), c.expected);
    }
}

}  // namespace
}  // namespace feedrite
