// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/code_table.h"

#include <gtest/gtest.h>

#include <bit>

namespace feedrite {
namespace {

// The parity each code set gives over all 8 bits, with the rows it leaves 0:
// ISO and odd parity set bit 7 so that the count of ones comes out even or
// odd; EIA's parity track makes every code odd; characters past 127, and in
// EIA every character it has no code for, give 0.
TEST(CodeTable, EveryCodeHasItsSetsParityAndKeepsTheCharacter) {
    const CodeTable& table = code_table();
    int eia_codes = 0;
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const auto low7 = static_cast<std::uint8_t>(c < 128 ? c : 0);
        EXPECT_EQ(table[ISO_even][c] & 0x7F, low7);
        EXPECT_EQ(table[odd_parity][c] & 0x7F, low7);
        EXPECT_EQ(table[seven_bit][c], low7);
        if (c < 128) {
            EXPECT_EQ(std::popcount(table[ISO_even][c]) % 2, 0);
            EXPECT_EQ(std::popcount(table[odd_parity][c]) % 2, 1);
        } else {
            EXPECT_EQ(table[ISO_even][c], 0);
            EXPECT_EQ(table[odd_parity][c], 0);
        }
        const std::uint8_t eia = table[EIA_RS244][c];
        if (eia != 0) ++eia_codes;
        EXPECT_TRUE(eia == 0 || std::popcount(eia) % 2 == 1);
        if (c >= 'a' && c <= 'z') {
            EXPECT_EQ(eia, table[EIA_RS244][c - 'a' + 'A']);
        }
    }
    EXPECT_EQ(eia_codes, 59 + 26) << "the listed characters and the small letters";
}

// Worked out by hand from the tape codes: bit 7 is the ISO parity bit, EIA
// punches its parity in bit 4 and its end of block in bit 7.
TEST(CodeTable, HandCheckedCodes) {
    struct Case {
        int set, character, code;
    };
    const Case cases[] = {
        {ISO_even, 'A', 0x41},   {ISO_even, 'C', 0xC3},   {ISO_even, '\r', 0x8D},
        {ISO_even, '\n', 0x0A},  {ISO_even, '%', 0xA5},   {ISO_even, 0xE9, 0x00},
        {odd_parity, 'A', 0xC1}, {odd_parity, 'C', 0x43}, {EIA_RS244, 'G', 0x67},
        {EIA_RS244, '1', 0x01},  {EIA_RS244, '\n', 0x80}, {EIA_RS244, '\r', 0x00},
        {EIA_RS244, 'a', 0x61},  {EIA_RS244, '#', 0x00},  {EIA_RS244, '*', 0x00},
        {EIA_RS244, '=', 0x00},  {EIA_RS244, ' ', 0x10},  {EIA_RS244, 0, 0x10},
        {EIA_RS244, ']', 0x7C},  {EIA_RS244, '{', 0x7C},  {EIA_RS244, '\t', 0x3E},
        {EIA_RS244, 0xD1, 0x3E}, {EIA_RS244, '%', 0x0B},  {EIA_RS244, 'X', 0x37},
    };
    for (const Case& c : cases)
        EXPECT_EQ(code_table()[c.set][c.character], c.code)
            << "code set " << c.set << " character " << c.character;
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
