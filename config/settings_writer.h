// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the configuration dialog's state as a port settings file.

#include <string>
#include <vector>

#include "config/config_model.h"
#include "core/host.h"

namespace feedrite {

/// The lines of the settings file for the model, before the lines kept as
/// read are put back (see ConfigModel::lines_read).
[[nodiscard]] std::vector<std::string> settings_lines(const ConfigModel& model);

/// Writes the model as the 32-line settings file `path` (each line ended by
/// CR LF; a line not changed since the load is written as it was read) and adds the selected device
/// to the device list of `program_dir`, as one step under the list's lock: either both files are
/// written or both stay as they were. A file that cannot be written shows "Unable to write to file"
/// with its path and the cause. True when both were written.
bool saveit(const ConfigModel& model, const std::string& path, const std::string& program_dir,
            Host& host);

}  // namespace feedrite
