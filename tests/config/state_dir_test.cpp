#include "config/state_dir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "config/append_line.h"
#include "config/file_io.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

TEST(StateDir, XdgStateHomeOrHome) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/var/lib/me/", "/home/me", "/var/lib/me/feedrite"},
        {"", "/home/me", "/home/me/.local/state/feedrite"},
        {"relative/dir", "/home/me/", "/home/me/.local/state/feedrite"},  // ignored, as XDG says
        {"relative/dir", "", ""},  // nowhere to keep anything
    };
    for (const auto& [xdg, home, dir] : cases) EXPECT_EQ(state_dir_for(xdg, home), dir);
}

// Two writers at once never mix their lines; a torn last line left by a crash
// stays a line of its own instead of swallowing the next record.
TEST(AppendLine, WholeLinesFromConcurrentWritersAndAfterATornOne) {
    testing::TempDir dir;
    const std::string path = dir.file("history.jsonl");
    dir.write("history.jsonl", "{\"whole\":1}\n{\"torn");
    const std::string line(3000, 'x');  // longer than a pipe's atomic write, for good measure
    std::vector<pid_t> writers;
    for (const char mark : {'a', 'b'}) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0; i < 50; ++i)
                if (!append_line(path, mark + line).ok()) _exit(1);
            _exit(0);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto lines = split_lines(dir.read("history.jsonl"));
    ASSERT_EQ(lines.size(), 102u);
    EXPECT_EQ(lines[1], "{\"torn");
    for (const char mark : {'a', 'b'})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), mark + line), 50);
}

}  // namespace
}  // namespace feedrite
