// The line-offset store and its view must give exactly the positions of the
// plain view, which stores CR LF itself: every answer is compared with it.

#include "text/line_text.h"

#include <gtest/gtest.h>

#include <random>

#include "text/line_text_view.h"
#include "text/plain_text_view.h"

namespace feedrite {
namespace {

TEST(LineText, EveryKindOfBreakIsOneLine) {
    const std::tuple<const char*, std::string, std::vector<std::string>> cases[] = {
        {"empty", "", {""}},
        {"no break", "G90", {"G90"}},
        {"CR LF", "N1\r\nN2\r\n", {"N1", "N2", ""}},
        {"lone LF", "N1\nN2", {"N1", "N2"}},
        {"lone CR", "N1\rN2\r", {"N1", "N2", ""}},
        {"LF CR is two", "N1\n\rN2", {"N1", "", "N2"}},
        {"mixed", "a\r\n\r\rb\nc\r", {"a", "", "", "b", "c", ""}},
    };
    for (const auto& [name, input, lines] : cases) {
        SCOPED_TRACE(name);
        LineText text;
        text.set_text(input);
        ASSERT_EQ(text.line_count(), static_cast<std::int64_t>(lines.size()));
        std::size_t widest = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(text.line(static_cast<std::int64_t>(i)), lines[i]);
            widest = std::max(widest, lines[i].size());
        }
        EXPECT_EQ(text.text(), with_crlf_breaks(input));
        EXPECT_EQ(text.length(), static_cast<TextPos>(with_crlf_breaks(input).size()));
        EXPECT_EQ(text.widest_line(), static_cast<std::int64_t>(widest));
    }
}

TEST(LineText, ReplaceKeepsTheIndexTrue) {
    struct Case {
        const char* name;
        TextPos from, to;
        std::string insert, expected;
        TextPos end;
    };
    // "N1\r\nN2\r\nN3": lines at 0, 4 and 8.
    const Case cases[] = {
        {"insert in a line", 5, 5, "X", "N1\r\nNX2\r\nN3", 6},
        {"insert a break", 6, 6, "\n", "N1\r\nN2\r\n\r\nN3", 8},
        {"insert lines", 0, 0, "A\rB\r\nC", "A\r\nB\r\nCN1\r\nN2\r\nN3", 7},
        {"remove a break", 2, 4, "", "N1N2\r\nN3", 2},
        {"across lines", 1, 9, "-", "N-3", 2},
        {"everything", 0, 10, "Q", "Q", 1},
        {"at the end", 10, 10, "\r\n", "N1\r\nN2\r\nN3\r\n", 12},
        // A bound on the LF of a break counts as its CR: no half break is left.
        {"from an LF", 3, 5, "", "N12\r\nN3", 2},
        {"to an LF", 0, 3, "", "\r\nN2\r\nN3", 0},
        {"out of range", -5, 99, "Z", "Z", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineText text;
        text.set_text("N1\r\nN2\r\nN3");
        const auto before = text.revision();
        EXPECT_EQ(text.replace(c.from, c.to, c.insert), c.end);
        EXPECT_NE(text.revision(), before);
        EXPECT_EQ(text.text(), c.expected);
        // The index must agree with a store built from the result.
        LineText fresh;
        fresh.set_text(c.expected);
        ASSERT_EQ(text.line_count(), fresh.line_count());
        for (std::int64_t i = 0; i < fresh.line_count(); ++i) {
            EXPECT_EQ(text.line(i), fresh.line(i));
            EXPECT_EQ(text.line_start(i), fresh.line_start(i));
        }
        EXPECT_GE(text.widest_line(), fresh.widest_line());
    }
}

TEST(LineText, FindMatchesThePlainView) {
    const std::string program = "G90 S100\r\nt2 m6\r\n(S-CODE)\r\n\r\nS200 T3";
    LineText text;
    text.set_text(program);
    PlainTextView plain;
    plain.set_text(program);
    for (const char* what : {"S", "s", "T3", "\n", "\r", "\r\n\r\n", "6\r\n(", "X", "", "S200 T3"})
        for (TextPos start = -1; start <= plain.length() + 1; ++start)
            for (const TextPos end :
                 {TextPos(-1), TextPos(12), TextPos(27), plain.length(), plain.length() + 5})
                for (const bool match_case : {true, false}) {
                    SCOPED_TRACE(std::string(what) + " from " + std::to_string(start) + " to " +
                                 std::to_string(end));
                    EXPECT_EQ(text.find(what, start, end, match_case),
                              plain.find(what, start, end, match_case, false));
                }
}

// Random texts with every kind of break, and random operations run on both
// views; every answer and the resulting state must agree.
class AgainstPlainView : public ::testing::Test {
  protected:
    std::string random_text(int size) {
        static const char alphabet[] = "NGXYsz 0.1\r\n\r\n\xE9";
        std::string text;
        for (int i = 0; i < size; ++i) text += alphabet[random_() % (sizeof alphabet - 1)];
        return text;
    }
    TextPos random_pos(TextPos length) {
        return static_cast<TextPos>(random_() % static_cast<unsigned>(length + 3)) - 1;
    }
    // A position not between the CR and LF of a break, where the plain view
    // would split the break and this view keeps it whole.
    TextPos outside_breaks(const std::string& crlf, TextPos pos) {
        pos = std::clamp<TextPos>(pos, 0, static_cast<TextPos>(crlf.size()));
        return pos > 0 && crlf[static_cast<std::size_t>(pos - 1)] == '\r' ? pos - 1 : pos;
    }
    void expect_same() {
        ASSERT_EQ(line.text(), plain.text());
        ASSERT_EQ(line.length(), plain.length());
        ASSERT_EQ(line.selection_start(), plain.selection_start());
        ASSERT_EQ(line.selection_length(), plain.selection_length());
        ASSERT_EQ(line.selected_text(), plain.selected_text());
    }

    std::mt19937 random_{2024};
    LineTextView line;
    PlainTextView plain;
};

TEST_F(AgainstPlainView, RandomOperations) {
    const auto both = [&](auto op) { op(line), op(plain); };
    for (int round = 0; round < 60; ++round) {
        const std::string text = random_text(static_cast<int>(random_() % 60));
        both([&](TextView& v) { v.set_text(text); });
        expect_same();
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(testing::Message() << "round " << round << " step " << step << " text "
                                            << ::testing::PrintToString(plain.text()));
            const TextPos pos = random_pos(plain.length());
            switch (random_() % 6) {
                case 0:
                    both([&](TextView& v) { v.set_selection_start(pos); });
                    break;
                case 1: {
                    const TextPos length = random_pos(10);
                    both([&](TextView& v) { v.set_selection_length(length); });
                    break;
                }
                case 2:
                    ASSERT_EQ(line.select_line_from(pos), plain.select_line_from(pos));
                    break;
                case 3: {
                    const std::string what = random_text(1 + static_cast<int>(random_() % 3));
                    const TextPos end = random_pos(plain.length());
                    const bool match_case = random_() % 2 == 0, highlight = random_() % 2 == 0;
                    ASSERT_EQ(line.find(what, pos, end, match_case, highlight),
                              plain.find(what, pos, end, match_case, highlight));
                    break;
                }
                case 4:
                    ASSERT_EQ(line.line_index(pos), plain.line_index(pos));
                    break;
                case 5: {
                    const std::string crlf = plain.text();
                    const TextPos start = outside_breaks(crlf, pos);
                    const TextPos end = outside_breaks(crlf, start + random_pos(8));
                    const std::string insert = random_text(static_cast<int>(random_() % 5));
                    both([&](TextView& v) {
                        v.set_selection_start(start);
                        v.set_selection_length(end - start);
                        v.replace_selection(insert);
                    });
                    break;
                }
            }
            expect_same();
        }
    }
}

TEST(LineTextView, SelectionKeepsItsMovingEnd) {
    LineTextView view;
    view.set_text("N1\r\nN2\r\n");
    view.select(6, 1);
    EXPECT_EQ(view.selection_start(), 1);
    EXPECT_EQ(view.selection_length(), 5);
    EXPECT_EQ(view.caret(), 1);
    EXPECT_EQ(view.selected_text(), "1\r\nN2");
    // The seam's selection grows forwards: the caret is its far end.
    view.set_selection_start(3);
    view.set_selection_length(2);
    EXPECT_EQ(view.anchor(), 3);
    EXPECT_EQ(view.caret(), 5);
    EXPECT_EQ(view.selected_text(), "\nN");
    view.select(-3, 99);
    EXPECT_EQ(view.anchor(), 0);
    EXPECT_EQ(view.caret(), 8);
}

}  // namespace
}  // namespace feedrite
