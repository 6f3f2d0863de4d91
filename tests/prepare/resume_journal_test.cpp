#include "prepare/resume_journal.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

TEST(ResumeJournal, PathRule) {
    struct Case {
        const char *device, *xdg, *home, *expected;
    };
    const Case cases[] = {
        {"(default)", "/s", "/h", "/s/feedrite/resume/(default).json"},
        {"LATHE 2", nullptr, "/h", "/h/.local/state/feedrite/resume/LATHE 2.json"},
        {"a/b.c", "relative", "/h", "/h/.local/state/feedrite/resume/a%2Fb.c.json"},
        {"..", "/s", nullptr, "/s/feedrite/resume/%2E..json"},
        {"X", nullptr, nullptr, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resume_journal_path(c.device, c.xdg, c.home), c.expected) << c.device;
}

// A record read back whole; a torn or foreign file gives nothing, and a torn
// temporary file beside it never hides the last whole record.
TEST(ResumeJournal, RecordsReadBackWholeOrNotAtAll) {
    const ResumeRecord record{"/p/\xE9t\xE9 \"1\".nc", "ab12", "MILL", 42, true};
    const std::string text = format_resume_record(record);
    const auto back = parse_resume_record(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->program, record.program);
    EXPECT_EQ(back->line, 42);
    EXPECT_TRUE(back->running);
    for (std::size_t cut = 0; cut + 1 < text.size(); ++cut)  // the final LF may go
        EXPECT_FALSE(parse_resume_record(text.substr(0, cut)).has_value()) << cut;
    EXPECT_FALSE(parse_resume_record(text + "x").has_value());

    testing::TempDir dir;
    const std::string path = dir.file("state/feedrite/resume/MILL.json");
    ASSERT_TRUE(write_resume_record(path, record));
    dir.write("state/feedrite/resume/MILL.json.tmp", text.substr(0, 20));
    EXPECT_EQ(read_resume_record(path)->sha256, "ab12");
    dir.write("state/feedrite/resume/MILL.json", text.substr(0, 30));
    EXPECT_FALSE(read_resume_record(path).has_value());
}

TEST(ResumeJournal, OfferOnlyAfterAnUncleanRunOfTheSameProgramAndDevice) {
    const ResumeRecord r{"p", "sha", "MILL", 7, true};
    EXPECT_EQ(line_to_resume(r, "sha", "MILL", 10), 7);
    ResumeRecord clean = r;
    clean.running = false;
    for (const auto& [record, sha, device, lines] : {std::tuple{clean, "sha", "MILL", 10},
                                                     {r, "other", "MILL", 10},
                                                     {r, "sha", "LATHE", 10},
                                                     {r, "sha", "MILL", 6}})
        EXPECT_FALSE(line_to_resume(record, sha, device, lines).has_value());
    EXPECT_FALSE(line_to_resume(std::nullopt, "sha", "MILL", 10).has_value());
}

// The writer leaves the file alone until something changes, then keeps the
// latest state; what it holds at the end is written when it stops.
TEST(ResumeJournal, WriterKeepsTheLatestState) {
    testing::TempDir dir;
    const std::string path = dir.file("j/MILL.json");
    {
        JournalWriter writer(path, {"p", "", "MILL", 0, false}, std::chrono::milliseconds(5),
                             [] { return "d1"; });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(read_resume_record(path).has_value());
        for (int line = 1; line <= 1000; ++line) writer.record(line, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(read_resume_record(path)->line, 1000);
        writer.record(1001, false);
    }
    const auto last = read_resume_record(path);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->line, 1001);
    EXPECT_EQ(last->sha256, "d1");  // worked out on the thread
    EXPECT_FALSE(last->running);
}

}  // namespace
}  // namespace feedrite
