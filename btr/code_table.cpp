// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/code_table.h"

#include <bit>
#include <utility>

namespace feedrite {
namespace {

// EIA RS-244 is data, not a rule. Bit 4 (0x10) is the parity track, so every
// code has an odd number of ones; bit 7 (0x80) is the end-of-block track.
constexpr std::pair<unsigned char, std::uint8_t> eia_codes[] = {
    {0, 0x10},   {8, 0x2A},   {9, 0x3E},    {10, 0x80},  {18, 0x4C},  {20, 0x2F},  {' ', 0x10},
    {'$', 0x5B}, {'%', 0x0B}, {'&', 0x0E},  {'(', 0x1A}, {')', 0x4A}, {'+', 0x70}, {',', 0x3B},
    {'-', 0x40}, {'.', 0x6B}, {'/', 0x31},  {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13},
    {'4', 0x04}, {'5', 0x15}, {'6', 0x16},  {'7', 0x07}, {'8', 0x08}, {'9', 0x19}, {':', 0x46},
    {'A', 0x61}, {'B', 0x62}, {'C', 0x73},  {'D', 0x64}, {'E', 0x75}, {'F', 0x76}, {'G', 0x67},
    {'H', 0x68}, {'I', 0x79}, {'J', 0x51},  {'K', 0x52}, {'L', 0x43}, {'M', 0x54}, {'N', 0x45},
    {'O', 0x46}, {'P', 0x57}, {'Q', 0x58},  {'R', 0x49}, {'S', 0x32}, {'T', 0x23}, {'U', 0x34},
    {'V', 0x25}, {'W', 0x26}, {'X', 0x37},  {'Y', 0x38}, {'Z', 0x29}, {'[', 0x2C}, {']', 0x7C},
    {'{', 0x7C}, {'}', 0x7A}, {0xD1, 0x3E},
};

}  // namespace

CodeTable build_code_table() {
    CodeTable table{};
    for (int n = 0; n < 128; ++n) {
        const auto c = static_cast<std::uint8_t>(n);
        const bool odd_ones = std::popcount(c) % 2 != 0;
        table[ISO_even][n] = odd_ones ? (c | 0x80) : c;
        table[odd_parity][n] = odd_ones ? c : (c | 0x80);
        table[seven_bit][n] = c;
    }
    for (const auto& [character, code] : eia_codes) table[EIA_RS244][character] = code;
    for (int n = 'a'; n <= 'z'; ++n) table[EIA_RS244][n] = table[EIA_RS244][n - 'a' + 'A'];
    return table;
}

namespace {

// Characters in order of preference when one EIA code stands for several.
std::array<std::int16_t, 256> build_eia_decoding() {
    std::array<std::int16_t, 256> decoding;
    decoding.fill(-1);
    const auto claim = [&](int from, int to) {
        for (int c = from; c <= to; ++c) {
            const std::uint8_t code = code_table()[EIA_RS244][c];
            if (code != 0 && decoding[code] < 0) decoding[code] = static_cast<std::int16_t>(c);
        }
    };
    claim('A', 'Z');
    claim('0', '9');
    claim(' ', 126);
    claim(0, 255);
    return decoding;
}

}  // namespace

std::optional<char> decode_character(std::uint8_t code, int code_set) {
    if (code_set == EIA_RS244) {
        static const std::array<std::int16_t, 256> decoding = build_eia_decoding();
        if (code == 0) return std::nullopt;
        return decoding[code] < 0 ? '?' : static_cast<char>(decoding[code]);
    }
    if (code_set == seven_bit) return static_cast<char>(code);
    return static_cast<char>(code & 0x7F);
}

const CodeTable& code_table() {
    static const CodeTable table = build_code_table();
    return table;
}

}  // namespace feedrite
