// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/code_table.h"

#include <gtest/gtest.h>

#include <map>

namespace feedrite {
namespace {

// ISO 646 with even parity in bit 7, row by row from the code chart (0x00 to
// 0x7F); odd parity is the same byte with bit 7 flipped, seven-bit has it clear.
constexpr std::uint8_t iso_even[128] = {
    0x00, 0x81, 0x82, 0x03, 0x84, 0x05, 0x06, 0x87, 0x88, 0x09, 0x0A, 0x8B, 0x0C, 0x8D, 0x8E, 0x0F,
    0x90, 0x11, 0x12, 0x93, 0x14, 0x95, 0x96, 0x17, 0x18, 0x99, 0x9A, 0x1B, 0x9C, 0x1D, 0x1E, 0x9F,
    0xA0, 0x21, 0x22, 0xA3, 0x24, 0xA5, 0xA6, 0x27, 0x28, 0xA9, 0xAA, 0x2B, 0xAC, 0x2D, 0x2E, 0xAF,
    0x30, 0xB1, 0xB2, 0x33, 0xB4, 0x35, 0x36, 0xB7, 0xB8, 0x39, 0x3A, 0xBB, 0x3C, 0xBD, 0xBE, 0x3F,
    0xC0, 0x41, 0x42, 0xC3, 0x44, 0xC5, 0xC6, 0x47, 0x48, 0xC9, 0xCA, 0x4B, 0xCC, 0x4D, 0x4E, 0xCF,
    0x50, 0xD1, 0xD2, 0x53, 0xD4, 0x55, 0x56, 0xD7, 0xD8, 0x59, 0x5A, 0xDB, 0x5C, 0xDD, 0xDE, 0x5F,
    0x60, 0xE1, 0xE2, 0x63, 0xE4, 0x65, 0x66, 0xE7, 0xE8, 0x69, 0x6A, 0xEB, 0x6C, 0xED, 0xEE, 0x6F,
    0xF0, 0x71, 0x72, 0xF3, 0x74, 0xF5, 0xF6, 0x77, 0x78, 0xF9, 0xFA, 0x7B, 0xFC, 0x7D, 0x7E, 0xFF,
};

// EIA RS-244 from its chart, tracks 1-8 as bits 0-7 (track 5 parity, 8 end
// of block). The first two rows are the chart's signs and control codes; the
// next two are ours, not the chart's (NUL as a blank, DC2 / DC4, '$', ':' as
// O, the brackets, 0xD1 as tab); then digits on tracks 1-4 (0 on track 6),
// A-I on 6+7, J-R on 7, S-Z on 6, each with its digit's code beneath. Small
// letters punch as capitals; every character not listed has no code (0).
// clang-format off
const std::map<int, std::uint8_t> eia = {
    {8, 0x2A}, {9, 0x3E}, {10, 0x80}, {' ', 0x10}, {'%', 0x0B}, {'&', 0x0E},
    {'(', 0x1A}, {')', 0x4A}, {'+', 0x70}, {',', 0x3B}, {'-', 0x40}, {'.', 0x6B}, {'/', 0x31},
    {0, 0x10}, {18, 0x4C}, {20, 0x2F}, {'$', 0x5B}, {':', 0x46}, {'[', 0x2C}, {']', 0x7C},
    {'{', 0x7C}, {'}', 0x7A}, {0xD1, 0x3E},
    {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13}, {'4', 0x04},
    {'5', 0x15}, {'6', 0x16}, {'7', 0x07}, {'8', 0x08}, {'9', 0x19},
    {'A', 0x61}, {'B', 0x62}, {'C', 0x73}, {'D', 0x64}, {'E', 0x75},
    {'F', 0x76}, {'G', 0x67}, {'H', 0x68}, {'I', 0x79},
    {'J', 0x51}, {'K', 0x52}, {'L', 0x43}, {'M', 0x54}, {'N', 0x45},
    {'O', 0x46}, {'P', 0x57}, {'Q', 0x58}, {'R', 0x49},
    {'S', 0x32}, {'T', 0x23}, {'U', 0x34}, {'V', 0x25},
    {'W', 0x26}, {'X', 0x37}, {'Y', 0x38}, {'Z', 0x29},
};
// clang-format on

// Every byte of every code set against the charts above, all 256 characters.
TEST(CodeTable, EveryCodeAsTheChartsHaveIt) {
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const std::uint8_t even = c < 128 ? iso_even[c] : 0;
        EXPECT_EQ(code_table()[ISO_even][c], even);
        EXPECT_EQ(code_table()[odd_parity][c], c < 128 ? even ^ 0x80 : 0);
        EXPECT_EQ(code_table()[seven_bit][c], even & 0x7F);
        const int letter = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        const auto listed = eia.find(letter);
        EXPECT_EQ(code_table()[EIA_RS244][c], listed == eia.end() ? 0 : listed->second);
    }
}

TEST(CodeTable, CodesDecodeBackToTheirCharacters) {
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
