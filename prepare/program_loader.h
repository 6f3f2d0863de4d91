#pragma once
// Loading a text program for sending: every line through CALL expansion and
// the text replacement into the scratchpad file, which is read back whole as
// the view's text and removed.

#include <string>

#include "core/host.h"
#include "core/window_state.h"
#include "config/port_settings.h"
#include "core/line_ends.h"

namespace feedrite {

enum class LoadStatus { Loaded, Failed, SubFileFailed };

struct LoadResult {
    LoadStatus status = LoadStatus::Failed;
    std::string text;         ///< the view's text, ending with one CR LF
    std::string failed_file;  ///< Failed: the file that could not be used
    std::string reason;       ///< Failed: the operating system's reason
    LineEnds line_ends;       ///< Loaded: how the program file ended its lines
};

class ProgramLoader {
public:
    ProgramLoader(Host& host, WindowState& state, ModuleState& module, const PortSettings& settings);

    /// Prepares `filename` through the scratchpad file `scratchpad`, which is
    /// removed afterwards whatever happened. A failed sub file has already been
    /// reported to the user; any other failure is for the caller to report.
    LoadResult load(const std::string& filename, const std::string& scratchpad);

private:
    Host& host_;
    WindowState& state_;
    ModuleState& module_;
    const PortSettings& settings_;
};

/// The scratchpad's content as the view shows it: every CR and LF at its end
/// removed, then one CR LF.
[[nodiscard]] std::string view_text_from_scratchpad(std::string content);

}  // namespace feedrite
