#pragma once
// The device list file: the names of the devices after "(default)".

#include <string>

#include "core/host.h"
#include "config/config_model.h"

namespace feedrite {

/// Fills `IO_device_lst` with "(default)" and then every non-empty line of the
/// list file, and selects "(default)". A missing or unreadable file leaves
/// only "(default)" and is not reported.
void read_device_list(ConfigModel& model, const std::string& program_dir);

/// Replaces the list file atomically with entries 1 to last of
/// `IO_device_lst`, one per line ended by CR LF; empty entries are left out.
/// On failure shows the same "Unable to write to file" message as a settings
/// file that cannot be written, naming the list file, and returns false.
bool write_device_list(const ConfigModel& model, const std::string& program_dir, Host& host);

/// Drops every line equal to `name` (exact, case-sensitive) from the list file
/// through the temporary list file, which then replaces the list in one
/// rename; other lines, empty ones too, are copied as they are. Then deletes
/// the device's settings file, ignoring a failure. When the list cannot be
/// updated (also when it is missing) shows "Cannot update I/O Device list
/// file", keeps the settings file and returns false. "(default)" is never
/// removed: nothing happens and the result is false.
bool remove_device(const std::string& program_dir, const std::string& name, Host& host);

/// "Unable to write to file" LF `path`, titled "File write error".
void show_write_failure(Host& host, const std::string& path);

}  // namespace feedrite
