// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sub-file CALL expansion while a program is loaded: every CALL line is
// replaced by the called file's lines, framed by marker lines, up to seven
// files deep and with repeat counts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/limits.h"
#include "core/host.h"
#include "core/window_state.h"
#include "run/call_statement.h"
#include "run/program_file.h"

namespace feedrite {

class CallExpander {
  public:
    static constexpr int max_call_level = 7;

    /// `base_folder` is where relative sub-file names are looked for: the
    /// folder of the main program (see program_folder()). More sub-file
    /// passes, or more bytes read from sub files, than `budget` allows end
    /// the load. Lines skipped as end of program are paced like written
    /// ones: the host yields every 1000, and a closing window stops there.
    CallExpander(Host& host, WindowState& window, ModuleState& module, std::string base_folder,
                 LoadBudget budget = {});
    CallExpander(const CallExpander&) = delete;
    CallExpander& operator=(const CallExpander&) = delete;

    /// Before each load: no sub file, no passes, no names, DNC_alarm cleared.
    /// A sub file still open from an abandoned load is closed rather than leaked.
    void reset();

    /// The next line of the expanded program, without a line end. With
    /// useCALLs off, the main program's next line as it is. On a failure (a sub
    /// file that cannot be opened or read, a pass count beyond 16 bits or cut
    /// at the statement's 256 characters, an
    /// eighth nesting level) every sub file and `main` are closed, the user is
    /// told, DNC_alarm becomes -1 and an empty line is returned.
    std::string read_expanded_line(ProgramFile& main);

    /// True while loading must go on: the main program has lines left, or a
    /// sub file called from its last line is still open.
    [[nodiscard]] bool more_lines(const ProgramFile& main) const;

    /// Depth being read: 0 the main program, n the sub file opened at depth n.
    /// A failure closes every sub file and brings it back to 0.
    [[nodiscard]] int call_level() const { return call_level_; }

    /// The message of the failure that stopped the expansion, as shown.
    [[nodiscard]] const std::string& failure() const { return failure_; }
    [[nodiscard]] int open_sub_files() const;
    /// The main program's CALL statement being expanded ("CALL HOLE (9 TIMES)"),
    /// empty at depth 0.
    [[nodiscard]] std::string main_call() const;

    /// Stops the expansion as a failed sub file does: every file closed, the
    /// message shown under "Sub file error", DNC_alarm -1. Returns "".
    std::string fail(ProgramFile& main, const std::string& message);

  private:
    /// A line to return, or the text of the failure message to show.
    struct Step {
        std::string line;
        std::optional<std::string> failure;
        bool closing = false;  ///< the window closed during a yield
    };

    Step next_from_main(ProgramFile& main);
    Step next_from_sub_file();
    Step call(int depth, const CallStatement& statement);
    Step open_depth(int depth);
    Step finish_pass(int depth);
    [[nodiscard]] std::optional<std::string> over_budget() const;
    bool keep_pace();
    [[nodiscard]] std::string main_call_text() const;
    void close_sub_files();

    Host& host_;
    WindowState& window_;
    ModuleState& module_;
    std::string base_folder_;
    LoadBudget budget_;
    std::int64_t passes_ = 0;
    std::int64_t bytes_read_ = 0;
    std::int64_t skipped_ = 0;
    std::string failure_;

    // Indexed by depth 1..7 as the statements count them; entry 0 is unused.
    int call_level_ = 0;
    std::array<std::string, max_call_level + 1> call_name_{};
    std::string main_count_;  ///< the count text of the main program's CALL
    std::array<std::int16_t, max_call_level + 1> call_times_{};
    std::array<ProgramFile, max_call_level + 1> call_file_{};
};

}  // namespace feedrite
