// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device list file: the names of the devices after "(default)".

#include <string>

#include "base/file_io.h"
#include "base/file_lock.h"
#include "config/config_model.h"
#include "core/host.h"

namespace feedrite {

/// Fills `IO_device_lst` with "(default)" and then every non-empty line of the
/// list file, and selects "(default)". A missing or unreadable file leaves
/// only "(default)" and is not reported.
void read_device_list(ConfigModel& model, const std::string& program_dir);

/// Replaces the list file atomically, under the list's lock: the names the
/// file holds now (another program may have added some), then every entry
/// of `IO_device_lst` after "(default)" that is not among them, one per line
/// ended by CR LF; empty entries are left out. On failure shows the same
/// "Unable to write to file" message as a settings file that cannot be
/// written, naming the list file and the cause, and returns false.
bool write_device_list(const ConfigModel& model, const std::string& program_dir, Host& host);

/// Takes the lock that every change of the device list (and the settings
/// file saved with it) holds, waiting up to lock_wait_ms; on failure says
/// which program holds it, or why it cannot be taken, and returns false.
bool lock_device_list(FileLock& lock, const std::string& program_dir, Host& host);

/// The list file's bytes with the model's missing names added; `current` the
/// file as it is (empty when there is none).
[[nodiscard]] std::string merged_device_list(const ConfigModel& model, std::string_view current);

/// Drops every line equal to `name` (exact, case-sensitive) from the list file
/// through the temporary list file, which then replaces the list in one
/// rename; other lines, empty ones too, are copied as they are. Then deletes
/// the device's settings file, ignoring a failure. When the list cannot be
/// updated (also when it is missing) shows "Cannot update I/O Device list
/// file", keeps the settings file and returns false. "(default)" is never
/// removed: nothing happens and the result is false.
bool remove_device(const std::string& program_dir, const std::string& name, Host& host);

/// "Unable to write to file" LF `path` LF the cause, titled "File write error".
void show_write_failure(Host& host, const std::string& path, const FileError& error);

}  // namespace feedrite
