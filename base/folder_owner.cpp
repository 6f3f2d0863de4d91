// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/folder_owner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_user.h"

namespace feedrite {
namespace {

std::string folder_holding(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileError refused_link() {
    return {FileErrorCode::NotRegular, "it is a symbolic link",
            "A symbolic link (not followed here)"};
}

FileError refused_kind(const struct stat& info) {
    return S_ISDIR(info.st_mode) ? file_error_from_errno(EISDIR) : not_regular_file_error();
}

}  // namespace

FolderOwner folder_owner(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return {};
    return {info.st_uid != file_uid(), info.st_uid, info.st_gid};
}

FolderOwner owner_of_folder_holding(const std::string& path) {
    return folder_owner(folder_holding(path));
}

void give_to_owner(int fd, const FolderOwner& owner) {
    if (!owner.foreign || file_uid() != 0) return;
    // A file the owner cannot use is no worse off when this fails.
    if (::fchown(fd, owner.uid, owner.gid) != 0) return;
}

void give_path_to_owner(const std::string& path, const FolderOwner& owner) {
    if (!owner.foreign || file_uid() != 0) return;
    if (::lchown(path.c_str(), owner.uid, owner.gid) != 0) return;  // as above
}

bool may_follow_links(const std::string& path, bool caller_allows) {
    return caller_allows && !owner_of_folder_holding(path).foreign;
}

FileError check_target(const std::string& path, bool follow_links) {
    struct stat info {};
    const int result = follow_links ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (result != 0) return errno == ENOENT ? FileError{} : file_error_from_errno(errno);
    if (S_ISLNK(info.st_mode)) return refused_link();
    return S_ISREG(info.st_mode) ? FileError{} : refused_kind(info);
}

int open_regular_for_writing(const std::string& path, int flags, mode_t mode, bool follow_links,
                             FileError& error) {
    const FolderOwner owner = owner_of_folder_holding(path);
    const bool follow = follow_links && !owner.foreign;
    // Looked at before opening: opening a device may already act on it.
    error = check_target(path, follow);
    if (!error.ok()) return -1;
    const int base = flags | O_CLOEXEC | O_NONBLOCK | (follow ? 0 : O_NOFOLLOW);
    // O_EXCL tells a file made now from one that stood there (and never follows a link).
    int fd = ::open(path.c_str(), base | O_CREAT | O_EXCL, mode);
    const bool made = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), base);
    if (fd < 0) {
        error = errno == ELOOP ? refused_link() : file_error_from_errno(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = refused_kind(info);
        ::close(fd);
        return -1;
    }
    if (made) give_to_owner(fd, owner);
    return fd;
}

bool make_owned_dirs(const std::string& dir, mode_t mode) {
    for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string part = dir.substr(0, slash);
        if (::mkdir(part.c_str(), mode) == 0)
            give_path_to_owner(part, owner_of_folder_holding(part));
        else if (errno != EEXIST)
            return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace feedrite
