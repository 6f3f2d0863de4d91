#pragma once
// Saving the configuration dialog's state as a port settings file.

#include <string>

#include "core/host.h"
#include "config/config_model.h"

namespace feedrite {

/// Writes the model as the 31-line settings file `path` (each line ended by
/// CR LF), then the device list file of `program_dir`. Both files are replaced
/// atomically, so a failed write leaves the old file as it was. A settings
/// file that cannot be written shows "Unable to write to file" with `path`
/// and leaves the device list alone; a list that cannot be written shows the
/// same message naming the list file. True when both were written.
bool saveit(const ConfigModel& model, const std::string& path, const std::string& program_dir,
            Host& host);

}  // namespace feedrite
