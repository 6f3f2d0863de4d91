// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/program_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/append_line.h"
#include "base/file_io.h"
#include "base/line_appender.h"
#include "base/state_dir.h"
#include "tests/support/temp_dir.h"
#include "tests/support/time_scale.h"
#include "tools/recent_programs.h"

namespace feedrite {
namespace {

TEST(ProgramDir, ChoiceFollowsTheRule) {
    struct Case {
        const char *name, *exe, *override_dir, *xdg_config, *runtime, *sudo_user;
        bool writable, holds;
        const char *dir, *scratchpad;
    };
    const Case cases[] = {
        // clang-format off
        {"installed", "/usr/bin", "", "", "/run/user/1000", "", true, true,
         "/home/ann/.config/feedrite", "/run/user/1000/feedrite"},
        {"installed, XDG_CONFIG_HOME, no runtime", "/opt/fr/bin", "", "/cfg/", "", "", false, false,
         "/cfg/feedrite", "/cfg/feedrite"},
        {"build tree", "/src/build/gui", "", "", "/run/user/1000", "", true, false,
         "/src/build/gui", "/src/build/gui"},
        {"portable copy that already keeps settings", "/mnt/stick", "", "", "", "", false, true,
         "/mnt/stick", "/mnt/stick"},
        {"copy in a folder nobody may write", "/srv/fr", "", "", "", "", false, false,
         "/home/ann/.config/feedrite", "/home/ann/.config/feedrite"},
        {"sudo, installed: the user's folder, not root's", "/usr/local/bin", "", "", "", "ann", true, false,
         "/home/ann/.config/feedrite", "/home/ann/.config/feedrite"},
        {"sudo, copy in a root folder", "/srv/fr", "", "", "", "ann", false, false,
         "/home/ann/.config/feedrite", "/home/ann/.config/feedrite"},
        {"override wins", "/usr/bin", "/tmp/x//", "/cfg", "/run/user/1000", "ann", true, true,
         "/tmp/x", "/tmp/x"},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool sudo = *c.sudo_user != 0;
        const ProgramPlaces places =
            choose_program_places({c.exe, "/opt/fr/bin", c.override_dir, c.xdg_config, c.runtime,
                                   sudo ? "/root" : "/home/ann", c.sudo_user, "/home/ann",
                                   [&c](const std::string&) { return c.writable; },
                                   [&c](const std::string&) { return c.holds; }});
        EXPECT_EQ(places.dir, c.dir);
        EXPECT_EQ(places.scratchpad_dir, c.scratchpad);
        const bool says = places.note.find(c.dir) != std::string::npos;
        EXPECT_EQ(says, sudo && *c.override_dir == 0) << places.note;
    }
}

// A folder keeps settings when a device's file is in it; an override is made.
TEST(ProgramDir, SettingsFilesAndTheOverrideOnDisk) {
    testing::TempDir dir;
    EXPECT_FALSE(holds_settings_files(dir.file("missing")));
    dir.write("part.nc", "G0");
    EXPECT_FALSE(holds_settings_files(dir.path()));
    dir.write("Editor BTR port settings for MILL", "");
    EXPECT_TRUE(holds_settings_files(dir.path()));
    // Only the last folder of an override is made: a mistyped path grows no tree.
    const std::string wanted = dir.file("new/settings");
    EXPECT_EQ(resolve_program_dir(wanted + "/"), wanted);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
    std::filesystem::create_directory(dir.file("new"));
    EXPECT_EQ(resolve_program_dir(wanted + "/"), wanted);
    EXPECT_TRUE(std::filesystem::is_directory(wanted));
}

TEST(RecentPrograms, NewestFirstOncePerFileAndCapped) {
    testing::TempDir dir;
    EXPECT_TRUE(read_recent_programs(dir.path()).empty());
    const auto sent = [&](const std::string& text) {
        remember_program(dir.path(), read_command_line(text));
    };
    for (int i = 0; i < 12; ++i) sent("/nc/p" + std::to_string(i) + "|(default)|1");
    sent("/nc/p5|Mill 2|5");
    // A file name with "|" could not come back as it went.
    remember_program(dir.path(), {StartKind::Send, "/nc/a|b", "(default)", false});
    const std::vector<StartRequest> recent = read_recent_programs(dir.path());
    ASSERT_EQ(recent.size(), recent_programs_kept);
    EXPECT_EQ(recent[0].filename, "/nc/p5");  // its device and mode: the open dialog's test
    EXPECT_EQ(recent[1].filename, "/nc/p11");
    EXPECT_EQ(recent.back().filename, "/nc/p2");  // p5 moved up, not kept twice
}

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

// Another program's lock on the file holds up no caller: append_line waits
// as long as allowed, the window's writer not at all.
TEST(AppendLine, AHeldLockIsWaitedForOnlyAsLongAsAllowed) {
    using Clock = std::chrono::steady_clock;
    testing::TempDir dir;
    const std::string path = dir.file("history.jsonl");
    LineAppender writer(path, {10, 0});
    {
        const int held = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const auto start = Clock::now();
        EXPECT_EQ(append_line(path, "a", {100, 0}).code, FileErrorCode::Busy);
        const auto waited = Clock::now() - start;
        EXPECT_TRUE(waited >= std::chrono::milliseconds(100) &&
                    waited < std::chrono::seconds(1) * testing::time_scale);

        const auto posted = Clock::now();  // posting returns at once
        writer.post("b");
        EXPECT_LT(Clock::now() - posted, std::chrono::milliseconds(20) * testing::time_scale);
        EXPECT_FALSE(writer.post_and_wait("c", std::chrono::milliseconds(200)));
        EXPECT_EQ(dir.read("history.jsonl"), "");
        ::close(held);
    }
    // Once the lock is free the kept line goes at the next try; b was superseded.
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (dir.read("history.jsonl").empty() && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(dir.read("history.jsonl"), "c\n");
    EXPECT_TRUE(writer.post_and_wait("d", std::chrono::milliseconds(2000)));
    EXPECT_EQ(dir.read("history.jsonl"), "c\nd\n");
}

// The line that reaches the cap goes with the file to PATH.1; later lines
// start a new file, and a torn last line is ended before the next.
TEST(AppendLine, TheFileRotatesAtItsCap) {
    testing::TempDir dir;
    const std::string path = dir.write("history.jsonl", "torn");
    const AppendRules rules{0, 11};
    for (const char* l : {"12345", "abc", "xyz"}) ASSERT_TRUE(append_line(path, l, rules).ok());
    EXPECT_EQ(dir.read("history.jsonl.1"), "torn\n12345\n");
    EXPECT_EQ(dir.read("history.jsonl"), "abc\nxyz\n");
}

}  // namespace
}  // namespace feedrite
