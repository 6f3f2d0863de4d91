// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one rule for writing into a folder that is not the writer's own (root
// writing in a user's folder, above all): there, no link and no file other
// than a regular one is followed or replaced, and whatever is made there is
// given to the folder's owner, so the owner can still use and remove it.

#include <sys/types.h>

#include <string>

#include "base/file_error.h"

namespace feedrite {

struct FolderOwner {
    bool foreign = false;  ///< the effective user does not own the folder
    uid_t uid = 0;
    gid_t gid = 0;
};

/// The owner of `folder` (links to it followed: the folder was chosen by
/// name); not foreign when it cannot be looked at, as then nothing is made.
[[nodiscard]] FolderOwner folder_owner(const std::string& folder);
/// The owner of the folder that holds `path`.
[[nodiscard]] FolderOwner owner_of_folder_holding(const std::string& path);

/// Gives a file or folder just made to the folder's owner when the folder is
/// foreign. Only root may; for anyone else it changes nothing.
void give_to_owner(int fd, const FolderOwner& owner);
void give_path_to_owner(const std::string& path, const FolderOwner& owner);

/// Whether a file written at `path` may be reached through a link: never in
/// a foreign folder, and never when the caller says so.
[[nodiscard]] bool may_follow_links(const std::string& path, bool caller_allows = true);

/// What already stands at `path`, looked at without following a last link:
/// ok when nothing or a regular file stands there (or a link, where links may
/// be followed); the error to give otherwise.
[[nodiscard]] FileError check_target(const std::string& path, bool follow_links);

/// Opens a regular file at `path` for writing (with `flags` besides the access
/// mode), made with `mode` when missing, under the rule: a link is never
/// followed unless `follow_links` and the folder is the writer's own; a FIFO,
/// device or folder is refused unopened; a file made here goes to the
/// folder's owner. -1 and `error` on failure.
[[nodiscard]] int open_regular_for_writing(const std::string& path, int flags, mode_t mode,
                                           bool follow_links, FileError& error);

/// Creates `dir` and its missing parents with `mode`, each one made given to
/// the owner of the folder it was made in. False when it cannot be made or
/// something other than a folder stands there.
bool make_owned_dirs(const std::string& dir, mode_t mode);

}  // namespace feedrite
