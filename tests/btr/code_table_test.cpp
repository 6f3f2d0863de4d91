#include "btr/code_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>

namespace feedrite {
namespace {

// The EIA RS-244 list as the tape standard prints it, capitals only.
const std::map<int, int> eia_reference = {
    {0, 0x10},   {8, 0x2A},   {9, 0x3E},    {10, 0x80},  {18, 0x4C},  {20, 0x2F},  {32, 0x10},
    {'$', 0x5B}, {'%', 0x0B}, {'&', 0x0E},  {'(', 0x1A}, {')', 0x4A}, {'+', 0x70}, {',', 0x3B},
    {'-', 0x40}, {'.', 0x6B}, {'/', 0x31},  {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13},
    {'4', 0x04}, {'5', 0x15}, {'6', 0x16},  {'7', 0x07}, {'8', 0x08}, {'9', 0x19}, {':', 0x46},
    {'A', 0x61}, {'B', 0x62}, {'C', 0x73},  {'D', 0x64}, {'E', 0x75}, {'F', 0x76}, {'G', 0x67},
    {'H', 0x68}, {'I', 0x79}, {'J', 0x51},  {'K', 0x52}, {'L', 0x43}, {'M', 0x54}, {'N', 0x45},
    {'O', 0x46}, {'P', 0x57}, {'Q', 0x58},  {'R', 0x49}, {'S', 0x32}, {'T', 0x23}, {'U', 0x34},
    {'V', 0x25}, {'W', 0x26}, {'X', 0x37},  {'Y', 0x38}, {'Z', 0x29}, {'[', 0x2C}, {']', 0x7C},
    {'{', 0x7C}, {'}', 0x7A}, {0xD1, 0x3E},
};

int expected_entry(int set, int c) {
    if (set == EIA_RS244) {
        const int key = (c >= 'a' && c <= 'z') ? c - 32 : c;
        const auto it = eia_reference.find(key);
        return it == eia_reference.end() ? 0 : it->second;
    }
    if (c > 127) return 0;
    const bool odd = std::popcount(static_cast<unsigned>(c)) % 2 == 1;  // c < 128 here
    if (set == ISO_even) return odd ? c + 128 : c;
    if (set == odd_parity) return odd ? c : c + 128;
    return c;
}

TEST(CodeTable, EveryEntryMatchesAnIndependentTableAndDecodesBack) {
    const CodeTable& table = code_table();
    for (int set = 0; set < code_set_count; ++set)
        for (int c = 0; c < 256; ++c)
            ASSERT_EQ(table[set][c], expected_entry(set, c)) << "code set " << set << " char " << c;
    // Every character with a code of its own comes back as itself; shared EIA
    // codes come back as the preferred character (space, not NUL; ']', not '{').
    const std::string program = "%\nO1001 (DRILL)\nN10 G81 X-1.25 Y+3/Z$&,[]:\t";
    for (const int set : {ISO_even, odd_parity, seven_bit, EIA_RS244}) {
        std::string back;
        for (const char c : program)
            if (const auto d =
                    decode_character(code_table()[set][static_cast<unsigned char>(c)], set))
                back += *d;
        std::string expected = program;
        if (set == EIA_RS244) expected[expected.find(':')] = 'O';  // ':' and 'O' share 0x46
        EXPECT_EQ(back, expected) << "code set " << set;
    }
    EXPECT_EQ(decode_character(0x00, EIA_RS244), std::nullopt);  // blank tape
    EXPECT_EQ(decode_character(0xFF, EIA_RS244), '?');
}

}  // namespace
}  // namespace feedrite
