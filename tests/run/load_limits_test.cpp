// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and saving against hostile files: two loads in one folder, a link
// or the program itself where the scratchpad goes, files that are no regular
// files or too large, CALL repeats that multiply past the limit, and links
// planted where root writes in another user's folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "base/append_line.h"
#include "base/file_lock.h"
#include "base/limits.h"
#include "base/state_dir.h"
#include "config/config_model.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_paths.h"
#include "config/settings_writer.h"
#include "resume/resume_journal.h"
#include "run/program_loader.h"
#include "run/scratchpad.h"
#include "run/send_driver.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/time_scale.h"
#include "tools/recent_programs.h"

namespace feedrite {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedHost;
using testing::TempDir;

struct Load {
    ScriptedHost host;
    WindowState state;
    ModuleState module;
    PortSettings settings;
    LoadResult run(const TempDir& dir, const std::string& program, int lock_wait = lock_wait_ms) {
        ProgramLoader loader(host, state, module, settings, lock_wait);
        return loader.load(program, scratchpad_path(dir.path()));
    }
};

// Run at once, each load waits for the other and gets only its own program;
// kept waiting past its time, a load names the program that holds the folder.
TEST(LoadLimits, TwoLoadsInOneFolderEachGetTheirOwnProgram) {
    TempDir dir;
    std::string a, b;
    for (int i = 0; i < 200000; ++i) a += "A" + std::to_string(i) + "\r\n", b += "B\r\n";
    const std::string files[] = {dir.write("a.nc", a), dir.write("b.nc", b)};
    LoadResult results[2];
    std::thread other([&] { results[1] = Load().run(dir, files[1]); });
    results[0] = Load().run(dir, files[0]);
    other.join();
    EXPECT_TRUE(results[0].text == a && results[1].text == b);
    EXPECT_FALSE(fs::exists(scratchpad_path(dir.path())));

    FileLock held;
    ASSERT_TRUE(held.acquire(scratchpad_path(dir.path()) + ".lock",
                             "feedrite (process 7) is loading x.nc", 0));
    Load load;
    const LoadResult result = load.run(dir, dir.write("p.nc", "G1\r\n"), 200);
    EXPECT_EQ(result.failed_file, scratchpad_path(dir.path()));
    EXPECT_EQ(result.reason,
              "In use: feedrite (process 7) is loading x.nc; try again when it has finished");
    EXPECT_GT(load.host.yields, 0);  // the window stayed alive meanwhile

    // A lock of a program that leaves no note is named as such.
    held.release();
    const std::string lock = scratchpad_path(dir.path()) + ".lock";
    const int foreign = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(foreign, LOCK_EX), 0);
    EXPECT_EQ(Load().run(dir, dir.file("p.nc"), 0).reason,
              "In use: another program holds " + lock +
                  " locked, and has not said which; try again when it has finished");
    ::close(foreign);
}

// Whatever stands where the scratchpad goes is left as it is.
TEST(LoadLimits, TheScratchpadNeverReplacesWhatIsThere) {
    TempDir dir;
    const std::string pad = scratchpad_path(dir.path()), target = dir.write("target", "keep");
    ASSERT_EQ(::symlink(target.c_str(), pad.c_str()), 0);
    EXPECT_EQ(Load().run(dir, dir.write("p.nc", "G1\r\n")).text, "G1\r\n");
    EXPECT_EQ(dir.read("target"), "keep");
    EXPECT_TRUE(fs::is_symlink(pad));

    TempDir named;  // the program itself bears the scratchpad's name
    const std::string program = named.write("scratchpad data 5b", "G2\r\n");
    EXPECT_EQ(Load().run(named, program).text, "G2\r\n");
    EXPECT_EQ(named.read("scratchpad data 5b"), "G2\r\n");

    // Only the scratchpad a killed load left behind, as its lock note names it, goes.
    TempDir killed;
    const std::string left = killed.write("scratchpad data 5b", "78 MB");
    struct stat info {};
    ASSERT_EQ(::stat(left.c_str(), &info), 0);
    killed.write("scratchpad data 5b.lock", "x\n" + scratchpad_note({info.st_dev, info.st_ino}));
    EXPECT_EQ(Load().run(killed, killed.write("p.nc", "G3\r\n")).text, "G3\r\n");
    EXPECT_FALSE(fs::exists(left));
}

// Each reader refuses at once what is no regular file or passes its limit.
TEST(LoadLimits, OnlyRegularFilesWithinTheLimitAreRead) {
    TempDir dir;
    const std::string fifo = dir.file("fifo"), big = dir.write("big", "");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::resize_file(big, program_size_limit + 1);  // sparse: nothing is written
    fs::create_directory(dir.file("folder"));
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.file("folder"), big}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Load().run(dir, path).status, LoadStatus::Failed);
        Load sub;  // as a sub file
        EXPECT_EQ(sub.run(dir, dir.write("main.nc", "CALL " + path + "\r\n")).status,
                  LoadStatus::SubFileFailed);
        EXPECT_FALSE(read_settings_file(path).settings);
    }
}

// Repeats that multiply stop at the limit, naming the CALL.
TEST(LoadLimits, CallRepeatsStopAtTheProgramLimit) {
    TempDir dir;
    dir.write("A", "CALL B (32767 TIMES)\r\n");
    dir.write("B", std::string(1 << 16, 'X') + "\r\n");
    Load load;
    const std::string main = dir.write("main.nc", "G1\r\nCALL A (32767 TIMES)\r\n");
    EXPECT_EQ(load.run(dir, main).status, LoadStatus::SubFileFailed);
    EXPECT_EQ(load.host.messages, testing::told("The program passes 256 MB with the sub files of\n"
                                                "CALL A (32767 TIMES)\nCheck the repeat counts.",
                                                "Sub file error", MessageIcon::Exclamation));
    EXPECT_GT(load.host.yields, 0);
}

// A large sub file of nothing but end-of-program lines adds nothing to the
// program: the bytes read end it within seconds, yielding all along, and a
// window closed in one of those yields ends it at once.
TEST(LoadLimits, EndOfProgramLinesRepeatedEndWithinSeconds) {
    TempDir dir;
    std::string m30;
    for (int i = 0; i < (1 << 20) / 5; ++i) m30 += "M30\r\n";
    dir.write("B", m30);
    const std::string main = dir.write("main.nc", "CALL B (32767 TIMES)\r\n");
    for (const long close_at_yield : {0L, 3L}) {  // 0: never
        SCOPED_TRACE(close_at_yield);
        Load load;
        if (close_at_yield != 0)
            load.host.at_yield(close_at_yield, [&load] { load.state.DNC_reset = DNC_closing; });
        const auto start = std::chrono::steady_clock::now();
        const LoadStatus status = load.run(dir, main).status;
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::seconds(10) * testing::time_scale);
        EXPECT_EQ(status, close_at_yield != 0 ? LoadStatus::Closed : LoadStatus::SubFileFailed);
        EXPECT_TRUE(close_at_yield == 0 || load.host.yields == close_at_yield);
        if (close_at_yield != 0) continue;
        EXPECT_GT(load.host.yields, 50000);  // one per 1000 of the 53 million lines skipped
        EXPECT_EQ(load.host.messages,
                  testing::told("The program reads more than 256 MB from sub files with\n"
                                "CALL B (32767 TIMES)\nCheck the repeat counts.",
                                "Sub file error", MessageIcon::Exclamation));
    }
}

// Two saves at once: both new devices are in the list.
TEST(LoadLimits, TwoSavesKeepBothNewDevices) {
    TempDir dir;
    const auto save = [&dir](const std::string& device) {
        ScriptedHost host;
        ConfigModel model(host);
        model.IO_device_lst.push_back(device);
        for (int i = 0; i < 20; ++i)
            saveit(model, settings_path(dir.path(), device), dir.path(), host);
    };
    std::thread other(save, "Lathe");
    save("Mill");
    other.join();
    const std::string list = dir.read("Editor BTR device list");
    EXPECT_TRUE(list == "Mill\r\nLathe\r\n" || list == "Lathe\r\nMill\r\n") << list;
}

// Every file Feedrite writes, written by root into a folder another user
// owns (a run through sudo): a planted link or FIFO is never written through
// nor replaced, and whatever is made there belongs to the folder's owner.
constexpr uid_t other_user = 65534;  // nobody

using Dir = const std::string&;
using Write = std::function<void(Dir)>;

// Each file Feedrite writes, by its name in the folder, and how it comes to be written.
std::vector<std::pair<std::string, Write>> writers() {
    const Write save_settings = [](Dir dir) {
        ScriptedHost host;
        ConfigModel model{host};
        default_settings(model);
        model.IO_device_lst = {default_device_name, "Mill"};
        (void)saveit(model, settings_path(dir, "Mill"), dir, host);
    };
    const Write load = [](Dir dir) {
        ScriptedHost host;
        WindowState state;
        ModuleState module;
        ProgramLoader(host, state, module, {}).load(dir + "/../part.nc", scratchpad_path(dir));
    };
    return {
        {"Editor BTR port settings for Mill", save_settings},
        {"Editor BTR device list", save_settings},
        {"Editor BTR device list.lock", save_settings},
        {"Feedrite recent programs",
         [](Dir dir) {
             remember_program(dir, {StartKind::Send, "/p.nc", "M", 1});
         }},
        {"scratchpad data 5b.lock", load},
        {"scratchpad data 5b", load},
        {"history.jsonl", [](Dir dir) { (void)append_line(dir + "/history.jsonl", "{}"); }},
        {"Mill.json",
         [](Dir dir) {
             write_resume_record(dir + "/Mill.json", {"p", "s", "M", 3, true});
         }},
    };
}

TEST(ForeignFolder, RootNeverWritesThroughALinkOrFifoAndGivesWhatItMakes) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to write as root in another user's folder";
    for (const auto& [file, write] : writers()) {
        for (const char* planted : {"nothing", "link", "fifo"}) {
            SCOPED_TRACE(file + " over " + planted);
            TempDir top;  // the folder of `other_user`, beside a file of root's
            const std::string dir = top.file("user"), at = dir + "/" + file;
            const std::string victim = top.write("victim", "root's");
            top.write("part.nc", "G1");
            fs::create_directory(dir);
            ASSERT_EQ(::chown(dir.c_str(), other_user, other_user), 0);
            const char kind = planted[0];
            const auto link = [&] { return kind == 'l' ? ::symlink(victim.data(), at.data()) : 0; };
            ASSERT_EQ(kind == 'f' ? ::mkfifo(at.data(), 0600) : link(), 0);
            write(dir);  // returns: a FIFO is never opened to wait on
            EXPECT_EQ(top.read("victim"), "root's");
            EXPECT_TRUE(kind == 'l' ? fs::is_symlink(at) : kind != 'f' || fs::is_fifo(at));
            EXPECT_FALSE(fs::is_empty(dir));
            for (const auto& entry : fs::recursive_directory_iterator(dir)) {
                struct stat info {};
                EXPECT_TRUE(entry.path() == at || (::lstat(entry.path().c_str(), &info) == 0 &&
                                                   info.st_uid == other_user))
                    << entry.path();
            }
        }
    }
}

// The history and the resume record never follow a link, even in the
// writer's own folder: their names are predictable in a shared state folder.
TEST(ForeignFolder, HistoryAndResumeRecordNeverFollowLinks) {
    TempDir dir;
    const std::string victim = dir.write("victim", "kept\n");
    ASSERT_TRUE(::symlink(victim.c_str(), dir.file("h").c_str()) == 0 &&
                ::symlink(victim.c_str(), dir.file("M.json").c_str()) == 0);
    EXPECT_FALSE(append_line(dir.file("h"), "{}").ok() ||
                 write_resume_record(dir.file("M.json"), {"p", "s", "M", 3, true}));
    EXPECT_FALSE(read_resume_record(dir.file("M.json")).has_value());
    EXPECT_EQ(dir.read("victim"), "kept\n");
}

// Through sudo the records go to the state folder of the user behind it.
TEST(ForeignFolder, SudoKeepsRecordsInTheInvokingUsersStateFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "sudo's variables count only for root";
    const std::string nobody = "/nonexistent/.local/state/feedrite";
    const std::string own = state_dir_for("", std::getenv("HOME") ? std::getenv("HOME") : "");
    const std::string kept = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    ::unsetenv("XDG_STATE_HOME");
    const char* cases[][3] = {{"nobody", "", nobody.c_str()},
                              {"no-user-x", "65534", nobody.c_str()},
                              {"", "abc", own.c_str()}};
    for (const auto& [user, uid, expected] : cases) {
        ::setenv("SUDO_USER", user, 1), ::setenv("SUDO_UID", uid, 1);
        EXPECT_EQ(state_dir(), expected) << user << uid;
    }
    ::unsetenv("SUDO_USER"), ::unsetenv("SUDO_UID");
    if (!kept.empty()) ::setenv("XDG_STATE_HOME", kept.c_str(), 1);
}

static_assert(std::is_same_v<decltype(WindowState::Live_DNC_startpoint), TextPos>,
              "the start point is a text position: past 2 GiB it must not wrap");

}  // namespace
}  // namespace feedrite
