// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "base/folder_owner.h"

namespace feedrite {
namespace {

constexpr int note_limit = 4096;

std::string read_note(int fd) {
    char buffer[note_limit];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

std::string this_process() {
    return std::string(program_invocation_short_name) + " (process " + std::to_string(::getpid()) +
           ")";
}

bool FileLock::acquire(const std::string& path, const std::string& note, int wait_ms,
                       const std::function<void()>& between_tries) {
    release();
    error_ = {};
    holder_.clear();
    fd_ = open_regular_for_writing(path, O_RDWR, 0644, false, error_);
    // One left by another user, who never gave it to us: flock needs no write
    // access, only the note then stays unwritten.
    if (fd_ < 0 && error_.code == FileErrorCode::PermissionDenied)
        fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    error_ = {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = file_error_from_errno(errno);
            release();
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            holder_ = read_note(fd_);
            // Not one of ours, or one that had not written its note yet.
            if (holder_.find_first_not_of(" \r\n") == std::string::npos)
                holder_ = "another program holds " + path + " locked, and has not said which";
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        if (between_tries) between_tries();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    previous_note_ = read_note(fd_);
    set_note(note);
    return true;
}

void FileLock::set_note(const std::string& note) {
    if (fd_ < 0) return;
    // The note is only for the one kept waiting: failing to write it is harmless.
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, note.data(), note.size(), 0) < 0) return;
}

void FileLock::release() {
    if (fd_ < 0) return;
    set_note({});
    ::close(fd_);  // lets the lock go
    fd_ = -1;
}

}  // namespace feedrite
