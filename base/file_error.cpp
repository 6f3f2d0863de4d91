// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/file_error.h"

#include <cerrno>
#include <cstring>

namespace feedrite {

namespace {

FileError plain_error(int error_number) {
    switch (error_number) {
        case 0:
            return {};
        case ENOENT:
        case ENOTDIR:
            return {FileErrorCode::NotFound, "no such file or folder", {}};
        case EACCES:
        case EPERM:
            return {FileErrorCode::PermissionDenied, "permission denied", {}};
        case EROFS:
            return {FileErrorCode::ReadOnly, "the disk is read-only", {}};
        case ENOSPC:
        case EDQUOT:
            return {FileErrorCode::NoSpace, "the disk is full", {}};
        case EISDIR:
            return {FileErrorCode::IsDirectory, "it is a folder, not a file", {}};
        default:
            return {FileErrorCode::Io, std::strerror(error_number), {}};
    }
}

}  // namespace

FileError file_error_from_errno(int error_number) {
    FileError error = plain_error(error_number);
    if (!error.ok()) error.reason = std::strerror(error_number);
    return error;
}

FileError not_regular_file_error() {
    return {FileErrorCode::NotRegular, "it is not a regular file",
            "Not a regular file (a FIFO, device or socket)"};
}

}  // namespace feedrite
