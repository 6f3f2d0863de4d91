// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reading and safe writing of the program's 8-bit text files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_error.h"

namespace feedrite {

/// Reads a whole file as bytes. Only a regular file of at most `limit` bytes
/// is read: a folder, a FIFO or a device (refused at once, never waited on)
/// and a larger file are refused; without `follow_links`, a link too. On
/// failure returns false and sets `error`.
bool read_whole_file(const std::string& path, std::string& bytes, FileError& error,
                     std::int64_t limit, bool follow_links = true);

/// The last whole lines within the last `most` bytes of a regular file (a
/// line cut by that bound is left out), never through a link: what a log
/// shows of its end costs the same for any size of log. False, with
/// `error`, when the file cannot be read.
bool read_file_tail(const std::string& path, std::int64_t most, std::string& bytes,
                    FileError& error);

/// "N MB" (below a megabyte "N bytes"), as the limits are told.
[[nodiscard]] std::string megabytes(std::int64_t bytes);

/// The error for a file larger than `limit` bytes: "it is larger than N MB".
[[nodiscard]] FileError too_large_error(std::int64_t limit);

/// Writes all of `bytes` to `fd`, again after an interrupted write. False on
/// an error; errno says which.
[[nodiscard]] bool write_all(int fd, std::string_view bytes);

/// Writes `bytes` to a temporary file in the same folder, flushes it to disk and
/// renames it over `path`, so `path` is either the old file or the new one,
/// never a truncated one. A symbolic link's target is written, the link kept,
/// when `follow_links` and the folder is the writer's own; otherwise a link
/// is refused (see folder_owner.h), as a FIFO, device or folder always is.
/// An existing file keeps its permission bits (and, as root, its owner; in
/// another user's folder, that user owns it). A temporary file left by a
/// crash is removed. With `in_place_fallback`, when the folder takes no new
/// file but the file is writable, the file is rewritten in place and put
/// back as it was if that fails.
[[nodiscard]] FileError write_file_atomic(const std::string& path, std::string_view bytes,
                                          bool in_place_fallback = false, bool follow_links = true);

/// A file written in full (and flushed to disk) as a temporary file beside
/// `path`, which commit() renames into place: several files can be written
/// first and put in place together. Discarded when not committed.
class PendingFile {
  public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() { discard(); }

    /// As write_file_atomic writes: a link's target where links may be
    /// followed, the old file's permissions and owner as it gives them.
    [[nodiscard]] FileError write(const std::string& path, std::string_view bytes);
    [[nodiscard]] FileError commit();
    void discard();

  private:
    std::string path_, temp_;
};

/// Removes a file; true when it is gone afterwards or was never there.
bool remove_file(const std::string& path);

[[nodiscard]] bool file_exists(const std::string& path);

/// Splits 8-bit text into lines. CR LF, lone LF and lone CR each end a line;
/// the break is not part of the line; a break at the very end does not start
/// another line.
[[nodiscard]] std::vector<std::string> split_lines(std::string_view text);
/// The same lines as views into `text`.
[[nodiscard]] std::vector<std::string_view> split_line_views(std::string_view text);

/// Joins lines, each followed by CR LF, as the program writes its text files.
[[nodiscard]] std::string join_lines_crlf(const std::vector<std::string>& lines);

}  // namespace feedrite
