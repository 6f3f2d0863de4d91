// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/file_user.h"
#include "base/folder_owner.h"
#include "base/limits.h"

namespace feedrite {

namespace {

// Closes the descriptor on every path out of a function.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    [[nodiscard]] int get() const { return fd_; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    int close() {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string megabytes(std::int64_t bytes) {
    // Only the fuzz build's small budgets are below a megabyte.
    if (bytes < (1 << 20)) return std::to_string(bytes) + " bytes";
    return std::to_string(bytes >> 20) + " MB";
}

FileError too_large_error(std::int64_t limit) {
    const std::string size = megabytes(limit);
    return {FileErrorCode::TooLarge, "it is larger than " + size, "Larger than " + size};
}

namespace {

// Opens a regular file for reading; a folder, FIFO or device is refused.
bool open_regular(Fd& fd, const std::string& path, bool follow_links, struct stat& info,
                  FileError& error) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int no_link = follow_links ? 0 : O_NOFOLLOW;
    fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | no_link));
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        error = file_error_from_errno(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    error = S_ISDIR(info.st_mode) ? file_error_from_errno(EISDIR) : not_regular_file_error();
    return false;
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& bytes, FileError& error,
                     std::int64_t limit, bool follow_links) {
    Fd fd(-1);
    struct stat info {};
    if (!open_regular(fd, path, follow_links, info, error)) return false;
    if (info.st_size > limit) {
        error = too_large_error(limit);
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = file_error_from_errno(errno);
            return false;
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (static_cast<std::int64_t>(bytes.size()) + n > limit) {
            error = too_large_error(limit);
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    error = {};
    return true;
}

bool read_file_tail(const std::string& path, std::int64_t most, std::string& bytes,
                    FileError& error) {
    Fd fd(-1);
    struct stat info {};
    if (!open_regular(fd, path, false, info, error)) return false;
    const std::int64_t wanted = std::max<std::int64_t>(most, 0);
    const std::int64_t from = std::max<std::int64_t>(info.st_size - wanted, 0);
    bytes.assign(static_cast<std::size_t>(info.st_size - from), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd.get(), bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(from + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = file_error_from_errno(errno);
            return false;
        }
        if (n == 0) break;  // shrunk meanwhile
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    if (from > 0) {
        const auto cut = bytes.find('\n');
        bytes.erase(0, cut == std::string::npos ? bytes.size() : cut + 1);
    }
    error = {};
    return true;
}

namespace {

// Saving over a symbolic link writes the file it points to; the link stays.
std::string link_target(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// One temporary name per file, so one left by a crash is found and removed
// the next time that file is saved.
std::string temporary_for(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder_of(target) + "/." + name + ".feedrite-save";
}

int open_temporary(const std::string& temp) {
    ::unlink(temp.c_str());
    return ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}

// The file to write and what stands there now.
struct Target {
    std::string path;
    FolderOwner owner;
    bool exists = false;
    struct stat old {};
};

// Where links may be followed, the link's target is written; elsewhere a
// link, like a FIFO or a device, is refused and never replaced.
FileError find_target(const std::string& path, bool follow_links, Target& target) {
    const bool follow = may_follow_links(path, follow_links);
    target.path = follow ? link_target(path) : path;
    target.owner = owner_of_folder_holding(target.path);
    FileError error = check_target(target.path, follow);
    if (!error.ok()) return error;
    target.exists = ::lstat(target.path.c_str(), &target.old) == 0;
    return {};
}

// The new file takes the old one's permissions and its owner where we may
// give it (as root; a group we belong to otherwise). In a folder of another
// user it belongs to that user, whoever owned the old file.
int take_over(int fd, const Target& target) {
    if (target.owner.foreign) {
        give_to_owner(fd, target.owner);
        const mode_t mode = target.exists ? target.old.st_mode & 0777 : 0644;
        return ::fchmod(fd, mode) == 0 ? 0 : errno;
    }
    if (!target.exists) return ::fchmod(fd, 0644) == 0 ? 0 : errno;
    const struct stat& old = target.old;
    const bool root = file_uid() == 0;
    if (::fchown(fd, root ? old.st_uid : static_cast<uid_t>(-1), old.st_gid) != 0 && root)
        return errno;
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Writes the temporary file in full and flushes it; 0 or the errno.
int write_temporary(const std::string& temp, const Target& target, std::string_view bytes) {
    Fd fd(open_temporary(temp));
    if (fd.get() < 0) return errno;
    int failure = take_over(fd.get(), target);
    if (failure == 0 && (!write_all(fd.get(), bytes) || ::fsync(fd.get()) != 0)) failure = errno;
    if (fd.close() != 0 && failure == 0) failure = errno;
    if (failure != 0) ::unlink(temp.c_str());
    return failure;
}

bool rewrite(int fd, std::string_view bytes) {
    return ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

// The folder takes no new file but the file may be written: the old content
// is kept as a copy, then the file is written and flushed; a failure puts the
// copy back, so the program is never left half-written.
FileError write_in_place(const std::string& target, std::string_view bytes) {
    std::string original;
    FileError error;
    if (!read_whole_file(target, original, error, program_size_limit)) return error;
    Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) return file_error_from_errno(errno);
    if (rewrite(fd.get(), bytes))
        return fd.close() == 0 ? FileError{} : file_error_from_errno(errno);
    error = file_error_from_errno(errno != 0 ? errno : EIO);
    if (!rewrite(fd.get(), original)) error.message += "; the file could not be put back as it was";
    return error;
}

}  // namespace

FileError write_file_atomic(const std::string& path, std::string_view bytes, bool in_place_fallback,
                            bool follow_links) {
    Target target;
    if (FileError error = find_target(path, follow_links, target); !error.ok()) return error;
    const std::string temp = temporary_for(target.path);
    int failure = write_temporary(temp, target, bytes);
    if (failure != 0 && in_place_fallback && target.exists && !target.owner.foreign &&
        (failure == EACCES || failure == EPERM))
        return write_in_place(target.path, bytes);
    if (failure == 0 && ::rename(temp.c_str(), target.path.c_str()) != 0) {
        failure = errno;
        ::unlink(temp.c_str());
    }
    return file_error_from_errno(failure);
}

FileError PendingFile::write(const std::string& path, std::string_view bytes) {
    discard();
    Target target;
    if (FileError error = find_target(path, true, target); !error.ok()) return error;
    path_ = target.path;
    const std::string temp = temporary_for(path_);
    const int failure = write_temporary(temp, target, bytes);
    if (failure == 0) temp_ = temp;
    return file_error_from_errno(failure);
}

FileError PendingFile::commit() {
    const int failure = ::rename(temp_.c_str(), path_.c_str()) == 0 ? 0 : errno;
    if (failure != 0) discard();
    temp_.clear();
    return file_error_from_errno(failure);
}

void PendingFile::discard() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool remove_file(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool file_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::vector<std::string_view> split_line_views(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> split_lines(std::string_view text) {
    const std::vector<std::string_view> views = split_line_views(text);
    return {views.begin(), views.end()};
}

std::string join_lines_crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace feedrite
