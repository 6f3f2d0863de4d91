// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An advisory lock on a lock file beside a folder's shared files, so that two
// programs (two windows, a window and a headless tool) never use them at once.

#include <functional>
#include <string>

#include "base/file_io.h"

namespace feedrite {

class FileLock {
  public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }

    /// Takes the lock on `path` (created when missing under the rule of
    /// folder_owner.h, never through a link; a regular file only)
    /// and writes `note` into it, so that one kept waiting can say who holds
    /// it. Tries every 50 ms for up to `wait_ms`, calling `between_tries`
    /// before each new try. False when it could not: `holder()` then says who
    /// holds it, or `error()` why the file could not be used.
    bool acquire(const std::string& path, const std::string& note, int wait_ms,
                 const std::function<void()>& between_tries = {});

    /// The note found in the lock file when it was taken: what a holder that
    /// ended without releasing it (a killed program) left there.
    [[nodiscard]] const std::string& previous_note() const { return previous_note_; }
    /// Replaces the note while the lock is held.
    void set_note(const std::string& note);
    [[nodiscard]] const std::string& holder() const { return holder_; }
    [[nodiscard]] const FileError& error() const { return error_; }

    /// Empties the note and lets the lock go; nothing when none is held.
    void release();

  private:
    int fd_ = -1;
    std::string previous_note_, holder_;
    FileError error_;
};

/// "NAME (process PID)" of this program, as a lock note begins.
[[nodiscard]] std::string this_process();

}  // namespace feedrite
