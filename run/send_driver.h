// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's main loop, over the device's finished settings: start the
// port, load the program into the view, and feed it to the control in an endless cycle
// of leader, blocks and trailer.

#include <functional>
#include <optional>
#include <string>

#include "base/program_dir.h"
#include "btr/engine.h"
#include "resume/resume_plan.h"

namespace feedrite {

enum class SendOutcome {
    // The four failures are told to the user and shown in the view, whose
    // window stays open until the user closes it.
    NotConfigured,    ///< settings missing or unusable: nothing was touched
    PortUnavailable,  ///< the port could not be opened: nothing was written
    PortFailed,       ///< the port failed during the run: it stopped there
    LoadFailed,       ///< a failure after port start-up
    SubFileFailed,    ///< CALL expansion stopped the load (it told the user)
    Sent,             ///< a binary file went out, or the cycle ran to its end
    Closed,           ///< the window asked the cycle to stop
};

struct SendDriverHooks {
    /// Called each time the cycle is back at its restart point after a run
    /// the control started came to its end (after the trailer, the reset text
    /// or a refused block; a reset or edit mode begins it again instead),
    /// just before the next wait for the control.
    std::function<void()> at_cycle_end;
    /// Called once the program is in the view, before the first wait for the
    /// control; false ends the run there.
    std::function<bool()> after_load;
    /// Called after each program block went out whole, with its start.
    std::function<void(TextPos)> block_sent;
    /// A resume for the next run: while it is pending the restart point puts
    /// the caret on its line; when the control starts a run with the start
    /// point still there, the preamble follows the leader. Taken either way.
    ResumeRequest* resume = nullptr;
    /// Offered when the port cannot be opened: shows what keeps it from being
    /// used. Empty where there is nothing to check (the virtual port).
    std::function<void()> check_port;
    /// A one-line note on the loaded program, told before `after_load`: the
    /// leader ends with "%" and so does the program's own first line.
    std::function<void(const std::string&)> note;
    /// Asked at each restart point: true loads the program from its file
    /// again there, before the wait for the control (the operator said yes
    /// to it; data never flows then). `after_load` follows a good load; a
    /// failed one keeps the program loaded before and says why.
    std::function<bool()> reload_wanted;
};

/// The note when the leader (as sent, after the control-code translation)
/// ends with "%" and the program's first line that is not empty is "%" too,
/// so the control reads two; empty otherwise. What is sent stays the same.
[[nodiscard]] std::string two_percent_note(const std::string& leader, const std::string& program);

class SendDriver {
  public:
    /// `engine.settings` is the device's finished record (read_device_settings),
    /// the one the port was made over.
    SendDriver(Engine& engine, ModuleState& module, ProgramPlaces places,
               SendDriverHooks hooks = {});

    /// Runs until the window closes, a binary file is sent, or a failure.
    SendOutcome send_file();

  private:
    bool start_port();
    SendOutcome send_binary();
    SendOutcome load_text();
    /// The note and `after_load` for the program now in the view.
    bool after_load();
    /// Loads the program again for `reload_wanted`; false ends the run.
    bool reload_text();
    /// How the blocks of a transmission ended: at the end of the text (the
    /// trailer follows), at the reset text, at a block decimal conversion
    /// refused, or stopped by a reset, closing or edit mode.
    enum class BlocksEnd { Trailer, ResetText, Refused, Stopped };

    SendOutcome cycle();
    BlocksEnd send_blocks();
    bool send_preamble();
    void tell_of_cut(TextPos top);
    void open_cycle();
    void close_cycle(bool completed, bool ended);
    SendOutcome report_load_failure(const std::string& file, const std::string& reason);
    [[nodiscard]] bool port_failed() const { return !engine_.port.fault().ok(); }
    SendOutcome report_port_failure();
    SendOutcome finish(SendOutcome outcome);

    Engine& engine_;
    const PortSettings& settings_;
    ModuleState& module_;
    ProgramPlaces places_;
    SendDriverHooks hooks_;
    /// Where the next transmission starts after edit mode cut a block.
    std::optional<TextPos> restart_at_;
    /// The open cycle began at the program's top: only such a pass counts as
    /// a cycle (a tail after a stop, a picked line or a resume does not).
    bool cycle_from_top_ = false;
    /// Where edit mode last cut the tape, for the notice.
    enum class CutIn { Leader, Preamble, Block, Trailer } cut_in_ = CutIn::Block;
};

/// The settings file lines whose millisecond text is no time ("line 8",
/// "lines 7, 17"); empty when every delay has its set time.
[[nodiscard]] std::string untimed_lines(const PortSettings& settings);

/// What the view says to do after a port that could not be opened.
extern const char* const port_unavailable_advice;

/// The scratchpad file in its folder.
[[nodiscard]] std::string scratchpad_path(const std::string& scratchpad_dir);

/// How to set up a device that is not configured: its name, its settings
/// file, and the two ways to set it up (the program has no menu).
[[nodiscard]] std::string set_up_advice(const std::string& device,
                                        const std::string& settings_file);

/// The device's settings file reads and names a port and its delays: the
/// driver would send with it.
[[nodiscard]] bool device_is_set_up(const std::string& program_dir, const std::string& device);

}  // namespace feedrite
