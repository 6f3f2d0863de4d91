#pragma once
// Saving the edited program back over its file.

#include "core/host.h"
#include "core/text_view.h"
#include "core/window_state.h"
#include "config/port_settings.h"

namespace feedrite {

/// Writes the view's text over `filename`, unless the view is not a faithful
/// copy of the file (text replaced or CALLs expanded while loading) or the
/// user declines to overwrite. A leader or trailer that the view holds as an
/// exact copy at its very start or end is removed from the view first. The
/// file is written whole to a temporary file and renamed into place, so a
/// failure leaves the original untouched; the user is told why. True when the
/// file was written.
bool Save_file(TextView& view, const WindowState& state, const ModuleState& module,
               const PortSettings& settings, Host& host);

}  // namespace feedrite
