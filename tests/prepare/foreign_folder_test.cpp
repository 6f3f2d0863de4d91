// Every file Feedrite writes, written by root into a folder another user
// owns (a run through sudo): a planted link or FIFO is never written through
// nor replaced, and whatever is made there belongs to the folder's owner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "config/append_line.h"
#include "config/config_model.h"
#include "config/settings_loader.h"
#include "config/file_lock.h"
#include "config/recent_programs.h"
#include "config/settings_paths.h"
#include "config/settings_writer.h"
#include "config/state_dir.h"
#include "prepare/program_loader.h"
#include "prepare/resume_journal.h"
#include "prepare/send_driver.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace feedrite {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedHost;
using testing::TempDir;

constexpr uid_t other_user = 65534;  // nobody

// Each writer, and the name in the folder it writes.
struct Writer {
    const char* name;
    std::string file;
    std::function<void(const std::string& dir)> write;
};

std::vector<Writer> writers() {
    const auto save_settings = [](const std::string& dir) {
        ScriptedHost host;
        ConfigModel model{host};
        default_settings(model);
        model.IO_device_lst = {default_device_name, "Mill"};
        (void)saveit(model, settings_path(dir, "Mill"), dir, host);
    };
    const auto load = [](const std::string& dir) {
        ScriptedHost host;
        WindowState state;
        ModuleState module;
        PortSettings settings;
        const std::string program = dir + "/../part.nc";
        ProgramLoader(host, state, module, settings).load(program, scratchpad_path(dir));
    };
    return {
        {"settings file", "Editor BTR port settings for Mill", save_settings},
        {"device list", "Editor BTR device list", save_settings},
        {"device list lock", "Editor BTR device list.lock", save_settings},
        {"recent programs", "Feedrite recent programs",
         [](const std::string& dir) {
             remember_program(dir, {StartKind::Send, "/tmp/p.nc", "Mill", 1});
         }},
        {"scratchpad lock", "scratchpad data 5b.lock", load},
        {"scratchpad", "scratchpad data 5b", load},
        {"history", "history.jsonl",
         [](const std::string& dir) { (void)append_line(dir + "/history.jsonl", "{}"); }},
        {"resume record", "Mill.json",
         [](const std::string& dir) { write_resume_record(dir + "/Mill.json", {"p", "s", "Mill", 3, true}); }},
        {"lock", "any.lock",
         [](const std::string& dir) {
             FileLock lock;
             (void)lock.acquire(dir + "/any.lock", "note", 0);
         }},
    };
}

// A folder of `other_user` beside a file of root's that a link may point at.
struct ForeignFolder {
    TempDir top;
    std::string dir = top.file("user");
    std::string victim = top.write("victim", "root's own\n");
    ForeignFolder() {
        top.write("part.nc", "G1 X1\r\n");
        fs::create_directory(dir);
        if (::chown(dir.c_str(), other_user, other_user) != 0) ADD_FAILURE() << "chown";
    }
};

std::optional<uid_t> first_not_owned_by(const std::string& dir, uid_t uid) {
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) == 0 && info.st_uid != uid) return info.st_uid;
    }
    return std::nullopt;
}

TEST(ForeignFolder, RootNeverWritesThroughALinkOrFifoAndGivesWhatItMakes) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to write as root in another user's folder";
    for (const Writer& writer : writers()) {
        SCOPED_TRACE(writer.name);
        {
            ForeignFolder folder;
            const std::string planted = folder.dir + "/" + writer.file;
            ASSERT_EQ(::symlink(folder.victim.c_str(), planted.c_str()), 0);
            writer.write(folder.dir);
            EXPECT_EQ(folder.top.read("victim"), "root's own\n");
            EXPECT_TRUE(fs::is_symlink(planted));
        }
        {
            ForeignFolder folder;
            const std::string planted = folder.dir + "/" + writer.file;
            ASSERT_EQ(::mkfifo(planted.c_str(), 0600), 0);
            writer.write(folder.dir);  // returns: a FIFO is never opened to wait on
            EXPECT_TRUE(fs::is_fifo(planted));
        }
        {
            ForeignFolder folder;
            writer.write(folder.dir);
            EXPECT_FALSE(fs::is_empty(folder.dir));
            EXPECT_EQ(first_not_owned_by(folder.dir, other_user), std::nullopt);
        }
    }
}

// The history and the resume record never follow a link, even in the
// writer's own folder: their names are predictable in a shared state folder.
TEST(ForeignFolder, HistoryAndResumeRecordNeverFollowLinks) {
    TempDir dir;
    const std::string victim = dir.write("victim", "kept\n");
    for (const char* name : {"history.jsonl", "Mill.json"})
        ASSERT_EQ(::symlink(victim.c_str(), dir.file(name).c_str()), 0);
    EXPECT_FALSE(append_line(dir.file("history.jsonl"), "{}").ok());
    EXPECT_FALSE(write_resume_record(dir.file("Mill.json"), {"p", "s", "Mill", 3, true}));
    EXPECT_FALSE(read_resume_record(dir.file("Mill.json")).has_value());
    EXPECT_EQ(dir.read("victim"), "kept\n");
}

// Through sudo the records go to the state folder of the user behind it.
TEST(ForeignFolder, SudoKeepsRecordsInTheInvokingUsersStateFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "sudo's variables count only for root";
    struct Case {
        const char* sudo_user;
        const char* sudo_uid;
        std::string expected;
    };
    const std::string own = state_dir_for("", std::getenv("HOME") ? std::getenv("HOME") : "");
    const Case cases[] = {
        {"nobody", nullptr, "/nonexistent/.local/state/feedrite"},
        {"no-such-user-x", "65534", "/nonexistent/.local/state/feedrite"},
        {"root", "0", own},
        {nullptr, "abc", own},
    };
    const std::optional<std::string> kept_state =
        std::getenv("XDG_STATE_HOME") ? std::optional<std::string>(std::getenv("XDG_STATE_HOME"))
                                      : std::nullopt;
    ::unsetenv("XDG_STATE_HOME");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        c.sudo_user ? ::setenv("SUDO_USER", c.sudo_user, 1) : ::unsetenv("SUDO_USER");
        c.sudo_uid ? ::setenv("SUDO_UID", c.sudo_uid, 1) : ::unsetenv("SUDO_UID");
        EXPECT_EQ(state_dir(), c.expected);
    }
    ::unsetenv("SUDO_USER");
    ::unsetenv("SUDO_UID");
    if (kept_state) ::setenv("XDG_STATE_HOME", kept_state->c_str(), 1);
}

}  // namespace
}  // namespace feedrite
