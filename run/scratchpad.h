// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scratchpad file a program is prepared in: created by this load alone,
// never through a link, never over a file that was there, and removed after.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace feedrite {

/// Which file a name refers to, so that only our own file is ever removed.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

/// "scratchpad DEVICE INODE": the lock note's line that names a scratchpad.
[[nodiscard]] std::string scratchpad_note(const FileId& id);
[[nodiscard]] std::optional<FileId> scratchpad_in_note(std::string_view note);

class Scratchpad {
  public:
    Scratchpad() = default;
    Scratchpad(const Scratchpad&) = delete;
    Scratchpad& operator=(const Scratchpad&) = delete;
    ~Scratchpad();

    /// Creates the file at `path` exclusively and without following a link.
    /// A file already there is removed first only when it is `stale` (the
    /// scratchpad of a load that was killed); any other file there, the
    /// program itself perhaps, is left alone and "PATH.PID" is used instead.
    [[nodiscard]] FileError create(const std::string& path, std::optional<FileId> stale);

    [[nodiscard]] FileId id() const { return id_; }
    /// Bytes written so far.
    [[nodiscard]] std::int64_t size() const { return size_; }

    /// Appends through a large buffer, so a long program costs a few writes.
    void write(std::string_view bytes);
    /// Writes what is buffered and reads the whole file back; false on any
    /// write or read failure (`error` says why).
    bool read_back(std::string& content, FileError& error);

    /// Removes the scratchpad a load is writing, if any: for a program that
    /// ends at once, from within that load, so its destructor never runs.
    static void remove_the_one_in_use();

  private:
    bool flush();
    void write_all(std::string_view bytes);
    void remove();

    std::string path_;
    int fd_ = -1;
    FileId id_;
    std::string buffer_;
    std::int64_t size_ = 0;
    int failure_ = 0;  ///< errno of the first failed write
};

}  // namespace feedrite
