// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loading a text program for sending: every line through CALL expansion and
// the text replacement into the scratchpad file, which is read back whole as
// the view's text and removed.

#include <string>

#include "base/limits.h"
#include "base/line_ends.h"
#include "config/port_settings.h"
#include "core/host.h"
#include "core/window_state.h"

namespace feedrite {

enum class LoadStatus { Loaded, Failed, SubFileFailed, Closed };

struct LoadResult {
    LoadStatus status = LoadStatus::Failed;
    std::string text;         ///< the view's text, ending with one CR LF
    std::string failed_file;  ///< Failed: the file that could not be used
    std::string reason;       ///< Failed: the operating system's reason
    LineEnds line_ends;       ///< Loaded: how the program file ended its lines
};

class ProgramLoader {
  public:
    /// `lock_wait`: how long a load waits for another one in the same folder
    /// (ms); `budget`: what one load may cost.
    ProgramLoader(Host& host, WindowState& state, ModuleState& module, const PortSettings& settings,
                  int lock_wait = lock_wait_ms, LoadBudget budget = {});

    /// Prepares `filename` through the scratchpad file `scratchpad`, under a
    /// lock on "`scratchpad`.lock" held until the scratchpad has been read back
    /// and removed; a second load waits for it up to `lock_wait`,
    /// yielding. The prepared program may not pass the budget's size. A
    /// failed sub file or a CALL total past the limit has already been
    /// reported to the user; any other failure is for the caller to report.
    /// Closed: the window closed during a yield.
    LoadResult load(const std::string& filename, const std::string& scratchpad);

  private:
    Host& host_;
    WindowState& state_;
    ModuleState& module_;
    const PortSettings& settings_;
    int lock_wait_;
    LoadBudget budget_;
};

/// The scratchpad's content as the view shows it: every CR and LF at its end
/// removed, then one CR LF.
[[nodiscard]] std::string view_text_from_scratchpad(std::string content);

}  // namespace feedrite
