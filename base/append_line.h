// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appending records to a file that several processes share and a power cut
// may interrupt.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "base/limits.h"

namespace feedrite {

struct AppendRules {
    int wait_ms = lock_wait_ms;  ///< how long to wait for another writer's lock
    std::int64_t rotate_at = 0;  ///< 0: never; else the size that moves the file to PATH.1
};

/// Appends `line` and an LF to `path` (created with mode 0600 when missing,
/// never through a link, a regular file only: see folder_owner.h) in one
/// write under an exclusive flock, with O_APPEND, then flushes it to disk:
/// writers in other processes never interleave, and a crash leaves at worst
/// one torn last line. A torn last line left by an earlier crash is ended
/// first (in the same write; the file is opened for reading too, to look at
/// its last byte), so that it cannot swallow this one. The lock is waited for
/// at most `rules.wait_ms` (a Busy error then); a file that reaches
/// `rules.rotate_at` is renamed to PATH.1 (replacing the older one) under
/// the lock, so it never grows past the cap by more than one line.
[[nodiscard]] FileError append_line(const std::string& path, std::string_view line,
                                    const AppendRules& rules = {});

}  // namespace feedrite
