#pragma once
// The send driver's reading of a device's port settings file.

#include <string>

#include "config/port_settings.h"

namespace feedrite {

/// Reads the settings file at `path` into `record` and `useCALLs`.
///
/// Lines 1 to 23 are required: a missing or unreadable file, fewer than 23
/// lines, a number that overflows, an address outside 32 bits or a code or end
/// of block outside 16 bits (after rounding halves to even) returns false and leaves `record`
/// and `useCALLs` untouched; the caller reports the unconfigured port. Lines 24
/// to 31 are optional: reading stops silently at the first missing or bad one
/// and the rest keep their defaults (positive polarities, no Async, no
/// replacement, no spooling). Text lines come back byte for byte;
/// `Replace_with_text` is left unexpanded. Shows nothing.
bool read_port_settings(const std::string& path, PortSettings& record, bool& useCALLs);

}  // namespace feedrite
