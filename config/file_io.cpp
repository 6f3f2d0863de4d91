#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace feedrite {

FileError file_error_from_errno(int error_number) {
    switch (error_number) {
        case 0:
            return {};
        case ENOENT:
        case ENOTDIR:
            return {FileErrorCode::NotFound, "no such file or folder"};
        case EACCES:
        case EPERM:
            return {FileErrorCode::PermissionDenied, "permission denied"};
        case EROFS:
            return {FileErrorCode::ReadOnly, "the disk is read-only"};
        case ENOSPC:
        case EDQUOT:
            return {FileErrorCode::NoSpace, "the disk is full"};
        case EISDIR:
            return {FileErrorCode::IsDirectory, "it is a folder, not a file"};
        default:
            return {FileErrorCode::Io, std::strerror(error_number)};
    }
}

namespace {

// Closes the descriptor on every path out of a function.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { close(); }
    [[nodiscard]] int get() const { return fd_; }
    int close() {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& bytes, FileError& error) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        error = file_error_from_errno(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = file_error_from_errno(EISDIR);
        return false;
    }
    bytes.clear();
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = file_error_from_errno(errno);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    error = {};
    return true;
}

FileError write_file_atomic(const std::string& path, std::string_view bytes) {
    std::string temp = folder_of(path) + "/.feedrite-save-XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return file_error_from_errno(errno);

    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    int failure = 0;
    if (::fchmod(fd.get(), mode) != 0 || !write_all(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        failure = errno;
    if (fd.close() != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        return file_error_from_errno(failure);
    }
    return {};
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool file_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
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
