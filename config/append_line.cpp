#include "config/append_line.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "config/file_io.h"
#include "config/folder_owner.h"

namespace feedrite {
namespace {

// Whether the file's last byte is not an LF (an earlier write was cut short).
bool ends_torn(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size == 0) return false;
    char last = '\n';
    return ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

}  // namespace

FileError append_line(const std::string& path, std::string_view line) {
    FileError error;
    const int fd = open_regular_for_writing(path, O_RDWR | O_APPEND, 0600, false, error);
    if (fd < 0) return error;
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = file_error_from_errno(errno);
            break;
        }
    }
    if (error.ok()) {
        std::string bytes = ends_torn(fd) ? "\n" : "";
        bytes.append(line);
        bytes += '\n';
        if (!write_all(fd, bytes) || ::fdatasync(fd) != 0) error = file_error_from_errno(errno);
    }
    ::close(fd);  // also lets go of the lock
    return error;
}

}  // namespace feedrite
