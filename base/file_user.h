// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Under sudo, root is for the port alone: every file is opened with the
// identity of the user behind sudo (the file-system user and group, and that
// user's groups), so the kernel itself refuses what that user could not read
// or write, through any link. Root's other powers (raw I/O, real-time
// priority, locked memory) are not about files and stay; opening the port's
// device node takes root back for that one call.

#include <sys/types.h>

#include <string>

namespace feedrite {

/// Opens files as the user behind sudo from now on, in this thread and in
/// every thread it starts later: call it first in main, before any thread.
/// Empty when done, or when there is nothing to do (not root through sudo);
/// otherwise why it failed, and the program must not go on.
[[nodiscard]] std::string open_files_as_invoking_user();

/// For a program that needs nothing of root: becomes the user behind sudo for
/// good (real, effective and saved ids and that user's groups). Empty when
/// done or nothing to do; otherwise why it failed.
[[nodiscard]] std::string become_invoking_user();

/// The user whose rights open files in the calling thread.
[[nodiscard]] uid_t file_uid();

/// Opens device nodes as root while it lives, where files are otherwise the
/// user's: the port's node is what sudo is for. Changes nothing elsewhere.
class DeviceNodeAccess {
  public:
    DeviceNodeAccess();
    ~DeviceNodeAccess();
    DeviceNodeAccess(const DeviceNodeAccess&) = delete;
    DeviceNodeAccess& operator=(const DeviceNodeAccess&) = delete;

  private:
    uid_t uid_;
    gid_t gid_;
    bool raised_ = false;
};

}  // namespace feedrite
