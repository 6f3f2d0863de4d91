#include "btr/block/decimal_number.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

// Blanks are ignored anywhere, "-" only leads, a second point ends the number;
// halves go up (towards zero when negative), worked on the decimal digits so
// that 2.675 is a true half, and numbers of any length come out whole.
TEST(DecimalNumber, ReadsTheLeadingNumberAndRoundsHalvesUpExactly) {
    struct Case {
        const char* text;
        std::size_t places;
        const char* expected;
    };
    // clang-format off
    const Case cases[] = {
        {"1.5 2", 3, "1520"},     {"1.2.3", 3, "1200"},    {" - 1.5", 1, "-15"},
        {"--1", 0, "0"},          {"1-2", 0, "1"},         {"", 3, "0"},
        {"-", 3, "0"},            {".", 2, "0"},           {"-.5", 3, "-500"},
        {"007.25", 1, "73"},      {"1.2345", 3, "1235"},   {"-1.2345", 3, "-1234"},
        {"-1.23451", 3, "-1235"}, {"-0.0005", 3, "0"},     {"-0.0006", 3, "-1"},
        {"2.675", 2, "268"},      {"-2.675", 2, "-267"},   {"1.005", 2, "101"},
        {"-0.5", 0, "0"},         {"9.9995", 3, "10000"},  {"-9.9996", 3, "-10000"},
        {"98765432109876543210.5", 0, "98765432109876543211"},
        {"0.00000000000000000000000000001", 9, "0"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' places " + std::to_string(c.places));
        EXPECT_EQ(scaled_integer_text(read_decimal(c.text), c.places), c.expected);
    }
}

}  // namespace
}  // namespace feedrite
