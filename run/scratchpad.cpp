// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/scratchpad.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/file_user.h"
#include "base/folder_owner.h"

namespace feedrite {
namespace {

constexpr std::size_t buffer_size = 1 << 20;

// The one a load is writing: loads run one at a time, on one thread.
Scratchpad* in_use = nullptr;

int create_exclusive(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

std::optional<FileId> id_of_name(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// A note anyone who can write the lock file may forge: only a file with one
// name, owned as our own scratchpad would be, is taken for a stale one.
bool is_stale_scratchpad(const std::string& path, const FileId& stale, const FolderOwner& owner) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return false;
    const uid_t ours = owner.foreign && file_uid() == 0 ? owner.uid : file_uid();
    return info.st_uid == ours && FileId{info.st_dev, info.st_ino} == stale;
}

}  // namespace

std::string scratchpad_note(const FileId& id) {
    return "scratchpad " + std::to_string(id.device) + " " + std::to_string(id.inode);
}

std::optional<FileId> scratchpad_in_note(std::string_view note) {
    const auto at = note.find("scratchpad ");
    if (at == std::string_view::npos) return std::nullopt;
    unsigned long long device = 0, inode = 0;
    const std::string line(note.substr(at, 80));
    if (std::sscanf(line.c_str(), "scratchpad %llu %llu", &device, &inode) != 2)
        return std::nullopt;
    return FileId{static_cast<dev_t>(device), static_cast<ino_t>(inode)};
}

Scratchpad::~Scratchpad() {
    remove();
}

void Scratchpad::remove() {
    if (in_use == this) in_use = nullptr;
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    // Only the file this load created goes, whatever happened meanwhile.
    if (id_of_name(path_) == id_) ::unlink(path_.c_str());
}

void Scratchpad::remove_the_one_in_use() {
    if (in_use != nullptr) in_use->remove();
}

FileError Scratchpad::create(const std::string& path, std::optional<FileId> stale) {
    path_ = path;
    const FolderOwner owner = owner_of_folder_holding(path);
    fd_ = create_exclusive(path_);
    if (fd_ < 0 && errno == EEXIST && stale && is_stale_scratchpad(path_, *stale, owner) &&
        ::unlink(path_.c_str()) == 0)
        fd_ = create_exclusive(path_);
    if (fd_ < 0 && errno == EEXIST) {
        path_ = path + "." + std::to_string(::getpid());
        fd_ = create_exclusive(path_);
    }
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return file_error_from_errno(errno);
    give_to_owner(fd_, owner);
    id_ = {info.st_dev, info.st_ino};
    in_use = this;
    buffer_.reserve(buffer_size);
    return {};
}

void Scratchpad::write(std::string_view bytes) {
    size_ += static_cast<std::int64_t>(bytes.size());
    if (buffer_.size() + bytes.size() <= buffer_size) {
        buffer_ += bytes;
        return;
    }
    if (!flush()) return;
    if (bytes.size() < buffer_size)
        buffer_ += bytes;
    else
        write_all(bytes);
}

bool Scratchpad::flush() {
    write_all(buffer_);
    buffer_.clear();
    return failure_ == 0;
}

void Scratchpad::write_all(std::string_view rest) {
    while (!rest.empty() && failure_ == 0) {
        const ssize_t n = ::write(fd_, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            failure_ = n < 0 ? errno : EIO;
        else
            rest.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool Scratchpad::read_back(std::string& content, FileError& error) {
    if (!flush()) {
        error = file_error_from_errno(failure_);
        return false;
    }
    // Read through our own descriptor: the name could have been replaced.
    content.assign(static_cast<std::size_t>(size_), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::pread(fd_, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = file_error_from_errno(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace feedrite
