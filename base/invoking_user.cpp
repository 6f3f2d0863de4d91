// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/invoking_user.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace feedrite {
namespace {

const passwd* entry_of(const char* name, const char* uid_text) {
    if (name != nullptr && *name != '\0')
        if (const passwd* entry = ::getpwnam(name)) return entry;
    if (uid_text == nullptr || *uid_text == '\0') return nullptr;
    char* end = nullptr;
    const unsigned long uid = std::strtoul(uid_text, &end, 10);
    if (*end != '\0' || uid > 0xFFFFFFFEUL) return nullptr;
    return ::getpwuid(static_cast<uid_t>(uid));
}

}  // namespace

std::string own_home() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir == '/' ? entry->pw_dir
                                                                                 : "";
}

InvokingUser invoking_user() {
    if (::geteuid() != 0) return {};
    const passwd* entry = entry_of(std::getenv("SUDO_USER"), std::getenv("SUDO_UID"));
    if (entry == nullptr || entry->pw_uid == 0 || entry->pw_dir == nullptr) return {};
    return {entry->pw_name, entry->pw_dir, entry->pw_uid, entry->pw_gid};
}

}  // namespace feedrite
