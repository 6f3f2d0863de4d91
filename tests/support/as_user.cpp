// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/as_user.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace feedrite::testing {
namespace {

constexpr uid_t nobody = 65534;

bool give_to_nobody(const std::string& folder) {
    namespace fs = std::filesystem;
    if (::lchown(folder.c_str(), nobody, nobody) != 0) return false;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (::lchown(entry.path().c_str(), nobody, nobody) != 0) return false;
    return true;
}

}  // namespace

void in_child_process(const std::function<void()>& body) {
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        body();
        std::fflush(nullptr);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child process failed";
}

void as_ordinary_user(const std::vector<std::string>& folders, const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return;
    }
    in_child_process([&] {
        bool became = true;
        for (const std::string& folder : folders) became = became && give_to_nobody(folder);
        became = became && ::setgroups(0, nullptr) == 0 &&
                 ::setresgid(nobody, nobody, nobody) == 0 &&
                 ::setresuid(nobody, nobody, nobody) == 0;
        ASSERT_TRUE(became) << "could not become the user nobody";
        body();
    });
}

}  // namespace feedrite::testing
