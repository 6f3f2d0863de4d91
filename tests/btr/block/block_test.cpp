// SPDX-License-Identifier: GPL-3.0-or-later
// Block rewriting, the leader's code expansion and the caret line's highlight.
#include <gtest/gtest.h>

#include <random>

#include "base/decimal_number.h"
#include "btr/block/block_rewrite.h"
#include "btr/block/hilight_line.h"
#include "btr/block/prepare_block.h"
#include "config/parsit.h"
#include "tests/support/scripted_host.h"
#include "text/plain_text_view.h"

namespace feedrite {
namespace {

using namespace std::string_literals;

// Blanks are ignored anywhere, "-" only leads, a second point ends the number;
// halves go up (towards zero when negative), worked on the decimal digits so
// that 2.675 is a true half, and numbers of any length come out whole.
TEST(DecimalNumber, ReadsTheLeadingNumberAndRoundsHalvesUpExactly) {
    const struct {
        const char* text;
        std::size_t places;
        const char* expected;
    } cases[] = {
        // clang-format off
        {"1.5 2", 3, "1520"},     {"1.2.3", 3, "1200"},   {" - 1.5", 1, "-15"},
        {"--1", 0, "0"},          {"1-2", 0, "1"},        {"", 3, "0"},
        {"-.", 2, "0"},           {"-.5", 3, "-500"},     {"007.25", 1, "73"},
        {"1.2345", 3, "1235"},    {"-1.2345", 3, "-1234"}, {"-1.23451", 3, "-1235"},
        {"-0.0005", 3, "0"},      {"-0.0006", 3, "-1"},   {"2.675", 2, "268"},
        {"9.9995", 3, "10000"},   {"-9.9996", 3, "-10000"},
        {"98765432109876543210.5", 0, "98765432109876543211"},
        {"0.00000000000000000000000000001", 9, "0"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' places " + std::to_string(c.places));
        EXPECT_EQ(scaled_integer_text(read_decimal(c.text), c.places), c.expected);
    }
}

PortSettings settings(std::string format, std::string mask = "", bool mask_comments = false) {
    PortSettings s;
    s.BTRformat = std::move(format);
    s.BTRmask = std::move(mask);
    s.BTRmaskcomments = mask_comments;
    return s;
}

// The first comment is set aside when there is a format or comments are
// dropped; the first mask pass spares comments, the second does not.
TEST(RewriteBlock, CommentMasksAndDecimalPoints) {
    const struct {
        const char *format, *mask;
        bool mask_comments;
        const char *block, *expected;
    } cases[] = {
        // clang-format off
        {"X3Y3", "", false, "G01 X 1.5Y-.25 N15", "G01 X1500Y-250N15"},
        {"X3Y3", "", false, "X1.2.3Y", "X1200Y"},        {"X3X1", "", false, "X1.5", "X1500"},
        {"XY3", "", false, "X1.5", "X2"},                {"Y3X", "", false, "X1.5", "X2"},
        {"X3F1", "", false, "G1 X-0.0005 F250.", "G1 X0F2500"},
        {"X3", "", false, "N10 (STEP 1.5) X2.5", "N10  X2500(STEP 1.5)"},
        {"X3", "", true, "N10 (STEP 1.5) X2.5", "N10  X2500"},
        {"X3", "", false, "X1.5 (OPEN 2.5", "X1500(OPEN 2.5"},
        {"", "", true, "G0 (A) X1 (B)", "G0  X1 (B)"},   {"", "", false, "G0 (A) X1", "G0 (A) X1"},
        {"", " ", false, "G01 X1 (A B)", "G01X1(AB)"},   {"", ")", false, "(A)B)", "(AB"},
        {"X3", " ", false, "G01 X1 (A B)", "G01X1(A B)"},
        {"X3", "Q", false, "(A) (B) XQ1.5", " (B) X1500(A)"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " '" + c.mask + "' " + c.block);
        const auto s = settings(c.format, c.mask, c.mask_comments);
        EXPECT_EQ(rewrite_block(c.block, false, false, s).text, c.expected);  // "" on failure
    }
}

// The end of block each setting gives: SettingsRead.EachReaderShowsTheLinesItsOwnWay.
TEST(RewriteBlock, AppendsTheEndOfBlockAndLeavesUnmaskedTextAlone) {
    PortSettings s = settings("X3", " ", true);
    s.BTReob = "\n\r";
    EXPECT_EQ(rewrite_block("X 1.5", true, false, s).text, "X1500\n\r");
    EXPECT_EQ(rewrite_block("X 1.5", false, false, s).text, "X1500");  // the last line's
    EXPECT_EQ(rewrite_block("% (X 1.5)", true, true, s).text, "% (X 1.5)\n\r");
    EXPECT_EQ(rewrite_block("%  (X 1.5)", false, true, s).text, "%  (X 1.5)");
}

// A point without a letter before its number (cause A), or with a letter
// missing from the format (cause B, named in the caption), stops the block and
// asks for a restart. The message shows the block as the conversion found it:
// first comment set aside, masked outside comments.
TEST(PrepareBlock, RefusesPointsItCannotConvertAndAsksForARestart) {
    const struct {
        const char *block, *caption, *saved;
    } cases[] = {
        {" -1 5.0", "", "-15.0"},
        {"Q 1.5 (C)", "Q   1", "Q1.5"},
        {"X1.5 Y2.5", "Y   1", "X1.5Y2.5"},
        {"G0 (A) X1.5 (R.5)", "R   1", "G0X1.5(R.5)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        testing::ScriptedHost host;
        WindowState state;
        EXPECT_FALSE(prepare_block(c.block, true, false, settings("X3", " R"), host, state));
        EXPECT_EQ(host.caption, c.caption);
        EXPECT_EQ(host.messages,
                  testing::told("Decimal point conversion error:\n<"s + c.saved + ">",
                                "Decimal error", MessageIcon::Exclamation));
        EXPECT_EQ(state.DNC_reset, DNC_restart);
    }
}

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
        {"<255.5>", 0, "<255.5>"}, {"<-1>", 0, "<-1>"}, {"<&H100>", 0, "<&H100>"},
        {"<65><300><66>", 0, "A<300><66>"},
        {"<99999999999999999999999>", 0, "<99999999999999999999999>"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.em));
        EXPECT_EQ(parsit(c.em, c.code), c.expected);
    }
}

// The one-pass expansion and conversion give what replacing the first code or
// point of the whole text again and again gives, on random texts.
TEST(LinearRewriting, MatchesTheFirstOccurrenceDefinition) {
    const auto part = [](char c) { return std::isdigit(c) || c == ' ' || c == '-'; };
    // The expansion, "|", then its conversion (nothing when it is refused).
    const auto reference = [&](std::string t) {
        for (auto open = t.find('<'), close = t.find('>');
             open != std::string::npos && close != std::string::npos && close > open;
             open = t.find('<'), close = t.find('>')) {
            const std::string one = parsit(t.substr(open, close - open + 1), 0);
            if (one.size() != 1) break;  // a code that cannot be made
            t.replace(open, close - open + 1, one);
        }
        std::string u = t;
        for (auto point = u.find('.'); point != std::string::npos; point = u.find('.')) {
            auto start = point, end = point;
            while (start > 0 && part(u[start - 1])) --start;
            if (start == 0 || (u[start - 1] != 'X' && u[start - 1] != 'Y')) return t + "|";
            while (end < u.size() && (part(u[end]) || u[end] == '.')) ++end;
            u.replace(start, end - start,
                      scaled_integer_text(read_decimal(u.substr(start, end - start)),
                                          u[start - 1] == 'X' ? 3 : 2));
        }
        return t + "|" + u;
    };
    std::mt19937 random(13);
    const char* const pieces[] = {"<",   ">", "<60>", "<62>", "&H", "3C", "0", "6",
                                  "2.5", " ", ".",    "-",    "X",  "Y",  "Z"};
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (auto count = random() % 9; count > 0; --count) text += pieces[random() % 15];
        std::string expanded = parsit(text, 0), converted = expanded;
        const bool failed = convert_decimals(converted, "X3Y2").has_value();
        ASSERT_EQ(expanded + "|" + (failed ? "" : converted), reference(text)) << text;
    }
}

// However long the line, it is taken from its start; in edit mode the caret
// stays and nothing is selected, so the first key typed replaces nothing.
TEST(HilightLine, SelectsTheCaretLineAndMakesItTheStartPoint) {
    const std::string three = "G1\r\nG2\r\nG3\r\n", head = "G1\r\n", x253(253, 'X');
    const struct {
        std::string name, text;
        TextPos caret, start, length;
        bool editing;
    } cases[] = {
        {"third line", three, 9, 8, 3, false},
        {"first line", three, 1, 0, 3, false},
        {"caret on the LF", three, 7, 4, 3, false},
        {"last line without LF", "G1\r\nG22", 5, 4, 3, false},
        {"after the last break", "G1\r\nG2\r\n", 8, 8, 0, false},
        {"empty text", "", 0, 0, 0, false},
        {"253 characters", head + x253 + "\r\n", 9, 4, 254, false},
        {"254 characters", head + x253 + "X\r\n", 9, 4, 255, false},
        {"5000 characters, caret near its end", head + std::string(5000, 'Y') + "\r\nG3", 4990, 4,
         5001, false},
        {"edit mode: the start moves, the caret stays", three, 9, 9, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextView view;
        view.set_text(c.text);
        view.set_selection_start(c.caret);
        view.set_selection_length(c.editing ? 2 : 0);
        WindowState state;
        state.Edit_mode = c.editing;
        state.Live_DNC_startpoint = -1;
        hilight_line(view, state);
        EXPECT_EQ(view.selection_start(), c.start);
        EXPECT_EQ(view.selection_length(), c.length);
        EXPECT_EQ(state.Live_DNC_startpoint, c.editing ? 8 : c.start);
    }
}

}  // namespace
}  // namespace feedrite
