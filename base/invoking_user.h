// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user behind sudo: whose folders a program run as root through sudo
// keeps its settings, history and resume records in.

#include <sys/types.h>

#include <string>

namespace feedrite {

struct InvokingUser {
    std::string name, home;  ///< empty when not run as root through sudo
    uid_t uid = 0;
    gid_t gid = 0;
};

/// This user's home folder: HOME when it is a full path, else the one the
/// password database gives (a service or a cron job may have no HOME, and
/// "/.config" is nobody's settings folder); empty when neither has one.
[[nodiscard]] std::string own_home();

/// The user named by SUDO_USER (or, when that name is unknown, SUDO_UID)
/// while the effective user is root; nobody otherwise, nor when that user is
/// root itself.
[[nodiscard]] InvokingUser invoking_user();

}  // namespace feedrite
