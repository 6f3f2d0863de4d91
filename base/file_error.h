// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What went wrong with a file, in the user's words and the system's.

#include <string>

namespace feedrite {

/// Why a file operation failed, produced from errno in one place.
enum class FileErrorCode {
    None,
    NotFound,
    PermissionDenied,
    ReadOnly,
    NoSpace,
    IsDirectory,
    NotRegular,  ///< a FIFO, device or socket: reading it might never end
    TooLarge,    ///< larger than the limit for its kind of file
    Busy,        ///< another program held its lock past the wait
    Io
};

struct FileError {
    FileErrorCode code = FileErrorCode::None;
    std::string message;  ///< the cause in a few words, e.g. "permission denied"
    std::string reason;   ///< the operating system's words, e.g. "Permission denied"

    [[nodiscard]] bool ok() const { return code == FileErrorCode::None; }
};

[[nodiscard]] FileError file_error_from_errno(int error_number);

/// The error for a path that is neither a regular file nor a folder.
[[nodiscard]] FileError not_regular_file_error();

}  // namespace feedrite
