#include "btr/block/block_rewrite.h"

#include <gtest/gtest.h>

#include "btr/block/decimal_number.h"
#include "btr/block/prepare_block.h"
#include "tests/support/scripted_host.h"

namespace feedrite {
namespace {

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

TEST(RewriteBlock, AppendsTheEndOfBlockAndLeavesUnmaskedTextAlone) {
    PortSettings s = settings("X3", " ", true);
    for (const char* eob : {"\n", "\r", "\n\r", "\r\n"}) {
        SCOPED_TRACE(::testing::PrintToString(eob));
        s.BTReob = std::string(eob);
        EXPECT_EQ(rewrite_block("X 1.5", true, false, s).text, std::string("X1500") + eob);
        EXPECT_EQ(rewrite_block("% (X 1.5)", true, true, s).text, std::string("% (X 1.5)") + eob);
    }
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
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text,
                  std::string("Decimal point conversion error:\n<") + c.saved + ">");
        EXPECT_EQ(host.messages[0].title, "Decimal error");
        EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(host.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(state.DNC_reset, DNC_restart);
    }
    testing::ScriptedHost host;
    WindowState state;
    EXPECT_EQ(prepare_block("X1.5", false, false, settings("X3"), host, state), "X1500");
    EXPECT_TRUE(host.messages.empty()) << "a converted block goes out without a message";
    EXPECT_EQ(state.DNC_reset, DNC_run);
}

}  // namespace
}  // namespace feedrite
