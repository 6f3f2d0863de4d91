// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the edited program back over its file.

#include <cstdint>
#include <string>

#include "base/file_io.h"
#include "config/port_settings.h"
#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"

namespace feedrite {

/// Writes the view's text over `filename`, unless the view is not a faithful
/// copy of the file (text replaced or CALLs expanded while loading) or the
/// user declines to overwrite. A leader or trailer that the view holds as an
/// exact copy at its very start or end is removed from the view first. The
/// file gets the line ends it was loaded with, its final line end only when
/// it had one; it is written safely (see `write_file_atomic`), so a failure
/// leaves the original untouched and the user is told why.
enum class SaveResult : std::uint8_t {
    Saved,
    NotSaved,  ///< refused or declined, as the user was told or chose
    Failed,    ///< the write failed: the edits exist only in the view
};
SaveResult Save_file(TextView& view, const WindowState& state, const ModuleState& module,
                     const PortSettings& settings, Host& host);

/// Writes the view's text to `path` in the program file's line ends, safely,
/// as Save_file does: where the edits go when the program file takes no write.
[[nodiscard]] FileError save_copy(const TextView& view, const WindowState& state,
                                  const std::string& path);

}  // namespace feedrite
