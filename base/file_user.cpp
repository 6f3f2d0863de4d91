// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/file_user.h"

#include <grp.h>
#include <sys/fsuid.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/invoking_user.h"

namespace feedrite {
namespace {

// An id no one has: the kernel then changes nothing and answers the current one.
constexpr uid_t no_uid = static_cast<uid_t>(-1);
constexpr gid_t no_gid = static_cast<gid_t>(-1);

gid_t file_gid() {
    return static_cast<gid_t>(::setfsgid(no_gid));
}

std::string failure(const std::string& what, int error_number) {
    return "Could not " + what + " (" + std::strerror(error_number) +
           "); nothing is done as root for another user.";
}

// The user's own groups instead of root's: a file readable by root's group
// must not be readable through them.
std::string take_groups_of(const InvokingUser& user) {
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    while (::getgrouplist(user.name.c_str(), user.gid, groups.data(), &count) < 0) {
        if (count <= static_cast<int>(groups.size())) count = static_cast<int>(groups.size()) * 2;
        groups.resize(static_cast<std::size_t>(count));
    }
    if (::setgroups(static_cast<std::size_t>(count), groups.data()) != 0)
        return failure("take the groups of " + user.name, errno);
    return "";
}

}  // namespace

uid_t file_uid() {
    return static_cast<uid_t>(::setfsuid(no_uid));
}

std::string open_files_as_invoking_user() {
    const InvokingUser user = invoking_user();
    if (user.name.empty()) return "";
    if (std::string error = take_groups_of(user); !error.empty()) return error;
    // setfsuid and setfsgid tell no failure: the ids read back do.
    ::setfsgid(user.gid);
    ::setfsuid(user.uid);
    if (file_uid() != user.uid || file_gid() != user.gid)
        return failure("open files as " + user.name, EPERM);
    return "";
}

std::string become_invoking_user() {
    const InvokingUser user = invoking_user();
    if (user.name.empty()) return "";
    if (std::string error = take_groups_of(user); !error.empty()) return error;
    if (::setresgid(user.gid, user.gid, user.gid) != 0 ||
        ::setresuid(user.uid, user.uid, user.uid) != 0)
        return failure("become " + user.name, errno);
    // Root must be out of reach for good, not only set aside.
    if (::setuid(0) == 0 || ::geteuid() != user.uid) return failure("leave root", EPERM);
    // sudo gave root's HOME; the user's own folders are found through it now.
    ::setenv("HOME", user.home.c_str(), 1);
    return "";
}

DeviceNodeAccess::DeviceNodeAccess() : uid_(file_uid()), gid_(file_gid()) {
    if (uid_ == 0 || ::geteuid() != 0) return;
    ::setfsuid(0);
    ::setfsgid(0);
    raised_ = true;
}

DeviceNodeAccess::~DeviceNodeAccess() {
    if (!raised_) return;
    ::setfsgid(gid_);
    ::setfsuid(uid_);
}

}  // namespace feedrite
