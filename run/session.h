// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of one program on one device, and all it owns: the run's state
// (private; the engine reads it afresh on every pass), the device's settings
// (read once, finished before the port is made over them), the port, the
// clock and the delay figures, the resume request, the journal, the history,
// the progress, stay-awake, real-time priority and the reload. The window, feedrite-tape and
// the benches drive it through its intents and read its state; what goes
// wrong is said through the Host it was made with.

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "btr/closable_port.h"
#include "btr/delay_figures.h"
#include "btr/engine.h"
#include "config/port_settings.h"
#include "core/clock.h"
#include "core/realtime.h"
#include "core/run_log.h"
#include "core/stay_awake.h"
#include "core/window_state.h"
#include "edit/save_file.h"
#include "edit/search_logic.h"
#include "motion/estimate.h"
#include "resume/resume_journal.h"
#include "resume/resume_plan.h"
#include "run/machine_feed.h"
#include "run/run_progress.h"
#include "run/send_driver.h"

namespace feedrite {

/// Makes the port over the finished settings record it will be opened with.
using PortMaker = std::function<std::unique_ptr<PortAccess>(const PortSettings& device)>;

/// What the session is doing, as the window shows it.
enum class SessionState : std::uint8_t {
    Loading,   ///< settings, port and program: nothing sent yet
    Failed,    ///< not configured, a port or a load failure: the view says why
    Waiting,   ///< at the start point, waiting for the control to start a run
    Sending,   ///< data flows to the control
    Holding,   ///< a run is open and the control stands still (stopped or held)
    Editing,   ///< edit mode: the tape stops at the next character, the text may change
    Finished,  ///< a binary file went out whole
    Closing,   ///< the window closes: nothing more goes out
};

/// How the delays run: counted only (what the control reads, not when),
/// spun on their loop counts, or spun and guarded by the clock (the machine's way).
enum class SessionTiming : std::uint8_t { Counted, Unguarded, Guarded };

class Session {
  public:
    Session(Host& host, TextView& view, PortMaker make_port,
            SessionTiming timing = SessionTiming::Guarded);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // --- What the run is of, set before it starts ---
    /// The program, the device and the mode (binary or text) of the run to come.
    void start(const std::string& filename, const std::string& device, bool binary);
    /// The next run uses `make_port` (the virtual port where the hardware's
    /// would not open); only while no port has opened.
    void use_port(PortMaker make_port, bool simulated);
    /// The editor settings file's colours and font size.
    void read_look(const std::string& path);
    void keep_history(std::unique_ptr<RunLog> log) { history_ = std::move(log); }
    /// Reports the run to the shop where `settings_dir` sets it up (MQTT,
    /// MTConnect: report/), telling `errors` where, each line after `who`;
    /// after start(), before send(). The progress polls, blocks, cycle ends
    /// and the end hand the reporter a snapshot; nothing comes back.
    void report_machine(const std::string& settings_dir, std::ostream& errors,
                        std::string_view who) {
        feed_.start(settings_dir, state_.IO_device_name, errors, who);
    }
    void keep_awake_with(std::unique_ptr<SleepInhibitor> inhibitor, std::ostream& errors);
    void send_with_realtime(std::unique_ptr<Scheduler> scheduler) {
        scheduler_ = std::move(scheduler);
    }
    /// The guarded delays' passes go to `observer` too (a trace).
    void observe_delays(DelayObserver* observer) { engine_.delay_observer = observer; }

    /// Reads the device's settings, makes the port over them, loads the
    /// program and runs the cycle until it ends (SendDriver::send_file). The
    /// hooks' resume request, when they name none, is this session's; the
    /// journal hears of every block and cycle end, the reload is taken at the
    /// restart points.
    SendOutcome send(ModuleState& module, const ProgramPlaces& places, SendDriverHooks hooks);

    // --- The operator's intents ---
    /// The Reset panel: back to the restart point, only while no data flows.
    bool reset();
    /// Edit mode on or off; true when it is on now.
    bool edit();
    /// The next run sends leader, `blocks`, the program from `start`: back
    /// to the restart point, which puts the caret there.
    void resume(TextPos start, std::vector<std::string> blocks);
    /// The program is loaded again at the next restart point; at once where
    /// the tape stands there already (a control in the middle of the program
    /// is never sent back to the top behind its back).
    void reload();
    /// The orderly end: nothing more goes out; the journal's last state is
    /// on disk; `signal` (when one ended it) goes to the history.
    void close(const std::string& signal = {});
    /// The tape has stood still long enough: the search and Reset may act.
    void stood_still();
    /// The last thing before the process ends: the lines idle, the port
    /// released, the history closed, stay-awake let go.
    void end();

    // --- The view's rules, on the run's state ---
    [[nodiscard]] bool key_down(int key);
    void key_up(int key);
    void text_edited();
    /// A click in the view: the caret's line becomes the next block.
    void caret_moved();
    SearchResult search(const SearchSettings& settings);
    SaveResult save(const ModuleState& module);
    [[nodiscard]] FileError save_copy(const std::string& path) const;
    /// The program is in the view: a resume may be set up on it from now on.
    void mark_loaded() { loaded_ = true; }
    /// The crash record of this program, told of every block and cycle end.
    void keep_journal(std::unique_ptr<JournalWriter> journal) { journal_ = std::move(journal); }
    /// Real-time priority, asked once the program is loaded (never while loading or drawing).
    void hold_realtime(bool wanted);

    // --- What the window shows ---
    [[nodiscard]] SessionState state() const;
    [[nodiscard]] const WindowState& flags() const { return state_; }
    [[nodiscard]] const RunCounters& counters() const { return state_.run; }
    [[nodiscard]] const PortSettings& settings() const { return settings_; }
    [[nodiscard]] const DelayFigures& figures() const { return figures_; }
    /// The clock the delays are guarded by, now.
    [[nodiscard]] Clock::time_point now() { return clock_.now(); }
    [[nodiscard]] const ResumeRequest& resume_request() const { return resume_; }
    [[nodiscard]] const RealtimeState& realtime() const { return realtime_; }
    [[nodiscard]] bool simulated() const { return simulated_; }
    /// A program is (or was) in the view: the load went through.
    [[nodiscard]] bool loaded() const { return loaded_; }
    /// A resume may be set up: a text program loaded and no data flowing, not in edit mode.
    [[nodiscard]] bool may_resume() const;
    /// What the port's backend can do beyond its registers; nullptr when it
    /// cannot, and once the port is released.
    template <class Capability>
    [[nodiscard]] Capability* port_capability() {
        return port_.capability<Capability>();
    }
    /// The progress figures now (the progress bar's timer asks four times a
    /// second); writes the counts to the history now and then and follows
    /// the run with stay-awake.
    [[nodiscard]] ProgressFigures poll_progress();
    /// Estimates the program in the view again when its text changed since
    /// (`revision`): the times, the stops in the cut and the time left from
    /// them. True when it did.
    bool estimate(std::uint64_t revision);
    /// The estimate of the program in the view, at the device's settings.
    [[nodiscard]] const ProgramEstimate& program_estimate() const { return estimate_; }

  private:
    friend class SessionProbe;  // the tests set the state up as the engine would leave it

    Host& host_;
    ProgramEstimate estimate_;
    std::optional<std::uint64_t> estimated_of_;  // the text revision the estimate is of
    TextView& view_;
    PortMaker make_port_;
    WindowState state_;
    PortSettings settings_;
    ClosablePort port_;
    SteadyClock clock_;
    DelayFigures figures_;
    ResumeRequest resume_;
    Engine engine_;
    bool simulated_ = false;
    bool loaded_ = false;
    bool reload_wanted_ = false;
    std::string ending_signal_;
    std::unique_ptr<RunLog> history_;
    std::unique_ptr<JournalWriter> journal_;
    std::unique_ptr<SleepInhibitor> inhibitor_;
    std::unique_ptr<StayAwake> awake_;
    std::unique_ptr<Scheduler> scheduler_;
    RealtimeState realtime_;
    ProgressTracker tracker_;
    MachineFeed feed_;

    /// The line the tape stands at, 1-based (the start point while waiting); 0 for a binary file.
    [[nodiscard]] std::int64_t tape_line() const;
};

}  // namespace feedrite
