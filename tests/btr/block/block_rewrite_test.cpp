#include "btr/block/block_rewrite.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

PortSettings settings(std::string format, std::string mask = "", bool mask_comments = false) {
    PortSettings s;
    s.BTRformat = std::move(format);
    s.BTRmask = std::move(mask);
    s.BTRmaskcomments = mask_comments;
    s.BTReob = std::string("\r\n");
    return s;
}

TEST(RewriteBlock, CommentMasksAndDecimalPoints) {
    struct Case {
        const char *format, *mask;
        bool mask_comments;
        const char *block, *expected;
    };
    // clang-format off
    const Case cases[] = {
        {"X3Y3", "", false, "X1.5Y-2.25", "X1500Y-2250"},  {"X3Y3", "", false, "X0.0", "X0"},
        {"X3Y3", "", false, "X1.", "X1000"},               {"X3Y3", "", false, "X.5", "X500"},
        {"X3Y3", "", false, "G01 X 1.5 Y2.25", "G01 X1500Y2250"},
        {"X3Y3", "", false, "X1.2.3Y", "X1200Y"},          {"X3", "", false, "N1 X15", "N1 X15"},
        {"X3X1", "", false, "X1.5", "X1500"},              {"XY3", "", false, "X1.5", "X2"},
        {"Y3X", "", false, "X1.5", "X2"},
        {"X3F1", "", false, "G1 X-0.0005 F250.", "G1 X0F2500"},
        {"X3", "", false, "N10 (STEP 1.5) X2.5", "N10  X2500(STEP 1.5)"},
        {"X3", "", true, "N10 (STEP 1.5) X2.5", "N10  X2500"},
        {"X3", "", false, "X1.5 (OPEN 2.5", "X1500(OPEN 2.5"},
        {"", "", true, "G0 (A) X1 (B)", "G0  X1 (B)"},
        {"", "", false, "G0 (A) X1", "G0 (A) X1"},
        {"", " ", false, "G01 X1 (A B)", "G01X1(AB)"},
        {"X3", " ", false, "G01 X1 (A B)", "G01X1(A B)"},
        {"X3", "Q", false, "(A) (B) XQ1.5", " (B) X1500(A)"}, {"", ")", false, "(A)B)", "(AB"},
        {"X3", " ", false, "G0 (A) X1.5 (B C)", "G0X1500(BC)(A)"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.block + "' format '" + c.format + "' mask '" + c.mask +
                     "'" + (c.mask_comments ? " dropping comments" : ""));
        const BlockRewrite r =
            rewrite_block(c.block, false, false, settings(c.format, c.mask, c.mask_comments));
        EXPECT_FALSE(r.failure.has_value());
        EXPECT_EQ(r.text, c.expected);
    }
}

TEST(RewriteBlock, AppendsTheEndOfBlockAndLeavesUnmaskedTextAlone) {
    PortSettings s = settings("X3", " ", true);
    for (const char* eob : {"\n", "\r", "\n\r", "\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(eob));
        s.BTReob = std::string(eob);
        EXPECT_EQ(rewrite_block("X 1.5", true, false, s).text, std::string("X1500") + eob);
        EXPECT_EQ(rewrite_block("% (X 1.5)", true, true, s).text, std::string("% (X 1.5)") + eob);
    }
    EXPECT_EQ(rewrite_block("%  (X 1.5)", false, true, s).text, "%  (X 1.5)");
}

}  // namespace
}  // namespace feedrite
