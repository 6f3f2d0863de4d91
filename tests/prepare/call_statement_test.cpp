// Recognising and splitting CALL statements, and the lines around them.
#include "prepare/call_statement.h"

#include <gtest/gtest.h>

#include <string>

#include "prepare/sub_file_path.h"

namespace feedrite {
namespace {

constexpr int none = -1;

int found(std::string_view line, CallRule rule) {
    const auto at = find_call(line, rule);
    return at ? static_cast<int>(*at) : none;
}

TEST(CallStatement, KeywordRulesDifferForMainProgramAndSubFiles) {
    struct Case {
        const char* line;
        int main, sub;
    };
    const Case cases[] = {
        {"N10 CALL A", 4, 4},    {"call a", 0, 0},        {"Call a", 0, none},
        {"cALL a", 0, none},     {"N1 CALL", none, none}, {"CALLS X", none, none},
        {"XCALL Y", 1, 1},       {"N1", none, none},      {"G1 call A CALL B", 3, 3},
        {"Call a CALL b", 0, 7}, {"CALL\tA", none, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(found(c.line, CallRule::MainProgram), c.main);
        EXPECT_EQ(found(c.line, CallRule::SubFile), c.sub);
    }
}

TEST(CallStatement, SplitsNameAndCountWithinTheCallText) {
    struct Case {
        const char* name;
        std::string line, call_name, count;
    };
    const std::string long_name(300, 'B');
    const Case cases[] = {
        {"count in parentheses", "N10 CALL A (2 TIMES)", "A ", "2 TIMES"},
        {"two blanks before the name", "CALL  SUB1", "SUB1", ""},
        {"rest of the line dropped", "G1 CALL S(3 TIMES) M08", "S", "3 TIMES"},
        {"no closing parenthesis", "CALL A (3 TIMES", "A ", "3 TIMES"},
        {"blanks after the name kept", "CALL A   ", "A   ", ""},
        {"no name", "CALL ", "", ""},
        {"parenthesis inside the name", "CALL A) (x)", "A) ", "x"},
        {"256 characters from the blank", "CALL " + long_name, long_name.substr(0, 255), ""},
        {"count cut at 256", "CALL " + std::string(250, 'B') + " (3 TIMES)",
         std::string(250, 'B') + " ", "3 T"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CallStatement statement =
            split_call(c.line, *find_call(c.line, CallRule::MainProgram));
        EXPECT_EQ(statement.name, c.call_name);
        EXPECT_EQ(statement.count, c.count);
    }
}

TEST(CallStatement, PassesFollowTimesRoundedHalvesToEven) {
    struct Case {
        const char* count;
        std::optional<std::int16_t> passes;
    };
    // clang-format off
    const Case cases[] = {
        {"3 TIMES", 3},         {"3 times", 3},      {"3", 1},            {"TIMES 3", 1},
        {"0 TIMES", 1},         {"-4 TIMES", 1},     {"2.5 TIMES", 2},    {"3.5 TiMeS", 4},
        {" 1 2 TIMES", 12},     {"3 TIMES ", 1},     {"", 1},             {"TIMES", 1},
        {"32767 TIMES", 32767}, {"32768 TIMES", {}}, {"1E999 TIMES", {}}, {"-40000 TIMES", {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(call_passes(c.count), c.passes);
    }
}

TEST(CallLines, SubFilePathsStartAtTheMainProgramsFolder) {
    EXPECT_EQ(program_folder("/nc/progs/P1.NC"), "/nc/progs");
    EXPECT_EQ(program_folder("/P1.NC"), "/");
    EXPECT_EQ(program_folder("P1.NC"), ".");
    EXPECT_EQ(sub_file_path(" A B  ", "/"), "/ A B");
}

}  // namespace
}  // namespace feedrite
