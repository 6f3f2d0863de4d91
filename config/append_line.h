#pragma once
// Appending records to a file that several processes share and a power cut
// may interrupt.

#include <string>
#include <string_view>

#include "config/file_io.h"

namespace feedrite {

/// Appends `line` and an LF to `path` (created with mode 0600 when missing,
/// never through a link, a regular file only: see folder_owner.h)
/// in one write under an exclusive flock, with O_APPEND, then flushes it to
/// disk: writers in other processes never interleave, and a crash leaves at
/// worst one torn last line. A torn last line left by an earlier crash is
/// ended first (in the same write; the file is opened for reading too, to
/// look at its last byte), so that it cannot swallow this one.
[[nodiscard]] FileError append_line(const std::string& path, std::string_view line);

}  // namespace feedrite
