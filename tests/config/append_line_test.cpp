// Appending whole records to a shared file: a lock held by another program
// never holds up the caller, and the file is rotated at its cap.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "config/append_line.h"
#include "config/line_appender.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

using testing::TempDir;
using Clock = std::chrono::steady_clock;

// Another program's flock on the file, as long as this lives.
struct HeldLock {
    explicit HeldLock(const std::string& path)
        : fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        EXPECT_EQ(::flock(fd, LOCK_EX), 0);
    }
    ~HeldLock() { ::close(fd); }
    int fd;
};

TEST(AppendLine, AHeldLockIsWaitedForOnlyAsLongAsAllowed) {
    TempDir dir;
    const std::string path = dir.file("history.jsonl");
    LineAppender writer(path, {10, 0});  // the window's writer
    {
        HeldLock held(path);
        const auto start = Clock::now();
        EXPECT_EQ(append_line(path, "a", {100, 0}).code, FileErrorCode::Busy);
        const auto waited = Clock::now() - start;
        EXPECT_TRUE(waited >= std::chrono::milliseconds(100) && waited < std::chrono::seconds(1));

        const auto posted = Clock::now();  // posting returns at once
        writer.post("b");
        EXPECT_LT(Clock::now() - posted, std::chrono::milliseconds(20));
        EXPECT_FALSE(writer.post_and_wait("c", std::chrono::milliseconds(200)));
        EXPECT_EQ(dir.read("history.jsonl"), "");
    }
    // Once the lock is free the kept line goes at the next try; b was superseded.
    for (const auto end = Clock::now() + std::chrono::seconds(3);
         dir.read("history.jsonl").empty() && Clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(dir.read("history.jsonl"), "c\n");
    EXPECT_TRUE(writer.post_and_wait("d", std::chrono::milliseconds(2000)));
    EXPECT_EQ(dir.read("history.jsonl"), "c\nd\n");
}

// The line that reaches the cap goes with the file to PATH.1; later lines
// start a new file, and a torn last line is ended before the next.
TEST(AppendLine, TheFileRotatesAtItsCap) {
    TempDir dir;
    const std::string path = dir.write("history.jsonl", "torn");
    const AppendRules rules{0, 11};
    for (const char* line : {"12345", "abc", "xyz"}) ASSERT_TRUE(append_line(path, line, rules).ok());
    EXPECT_EQ(dir.read("history.jsonl.1"), "torn\n12345\n");
    EXPECT_EQ(dir.read("history.jsonl"), "abc\nxyz\n");
}

}  // namespace
}  // namespace feedrite
