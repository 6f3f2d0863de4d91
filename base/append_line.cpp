// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/append_line.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/file_io.h"
#include "base/folder_owner.h"

namespace feedrite {
namespace {

// Whether the file's last byte is not an LF (an earlier write was cut short).
bool ends_torn(int fd, const struct stat& info) {
    if (info.st_size == 0) return false;
    char last = '\n';
    return ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

FileError busy_error() {
    return {FileErrorCode::Busy, "another program holds it", "Locked by another program"};
}

// Tries the lock until the deadline; 0 or the errno (EWOULDBLOCK: still held).
int lock_within(int fd, int wait_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno != EWOULDBLOCK && errno != EINTR) return errno;
        if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The file under the lock is still the one at `path`: another writer may
// have rotated it away while this one waited.
bool still_at_path(int fd, const std::string& path) {
    struct stat held {
    }, named{};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

FileError write_locked(int fd, const std::string& path, std::string_view line,
                       const AppendRules& rules) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return file_error_from_errno(errno);
    std::string bytes = ends_torn(fd, info) ? "\n" : "";
    bytes.append(line);
    bytes += '\n';
    if (!write_all(fd, bytes) || ::fdatasync(fd) != 0) return file_error_from_errno(errno);
    // Rotated under the lock, so no writer appends to the old file afterwards unseen.
    if (rules.rotate_at > 0 && info.st_size + static_cast<off_t>(bytes.size()) >= rules.rotate_at &&
        std::rename(path.c_str(), (path + ".1").c_str()) != 0)
        return file_error_from_errno(errno);
    return {};
}

}  // namespace

FileError append_line(const std::string& path, std::string_view line, const AppendRules& rules) {
    // Another writer may rotate the file away while this one waits: then the
    // new file at `path` is opened again.
    for (int tries = 0; tries < 3; ++tries) {
        FileError error;
        const int fd = open_regular_for_writing(path, O_RDWR | O_APPEND, 0600, false, error);
        if (fd < 0) return error;
        const int failure = lock_within(fd, rules.wait_ms);
        const bool rotated = failure == 0 && !still_at_path(fd, path);
        if (failure == EWOULDBLOCK)
            error = busy_error();
        else if (failure != 0)
            error = file_error_from_errno(failure);
        else if (!rotated)
            error = write_locked(fd, path, line, rules);
        ::close(fd);  // also lets go of the lock
        if (!rotated) return error;
    }
    return busy_error();
}

}  // namespace feedrite
