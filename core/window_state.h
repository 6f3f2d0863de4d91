// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's state shared by start-up, the send driver, the engine and
// the window's handlers. Handlers only set these values; the engine reads them
// afresh on every pass of its waits.

#include <cstdint>
#include <string>

#include "base/line_ends.h"
#include "core/run_counters.h"

namespace feedrite {

enum : std::int16_t { DNC_run = 0, DNC_restart = 1, DNC_closing = 2 };

struct WindowState {
    std::string filename;
    std::string IO_device_name;
    bool Binaryfile = false;
    double master_fore_color = 1;
    double master_back_color = 1;
    std::int16_t master_font_size = 1;
    bool Edit_mode = false;
    bool File_is_edited = false;
    std::int16_t Sending_data = 0;
    std::int16_t DNC_reset = DNC_run;
    std::int16_t DNC_alarm = 0;            ///< 0 or -1: sub-file expansion failed
    std::int64_t Live_DNC_startpoint = 0;  ///< a text position: 64 bits, as TextPos
    bool useCALLs = true;
    /// Our own: what this transmission has done, for the progress bar and history.
    RunCounters run;
    /// How the program file ended its lines; saving writes them so again.
    LineEnds file_line_ends;
    /// The view shows "Loading..." or what went wrong, not the program:
    /// it is neither edited nor saved.
    bool view_holds_report = false;
    /// Edit mode stopped the tape inside a block: the rest of it is never
    /// sent; the next transmission starts at a block's beginning.
    bool tape_cut = false;
    /// The edit-mode notice has been shown for this stop.
    bool edit_notice_shown = false;
};

/// State that exists once for the whole program.
struct ModuleState {
    /// A CALL was expanded while loading; saving over the program is refused.
    bool CALL_expanded = false;
};

}  // namespace feedrite
