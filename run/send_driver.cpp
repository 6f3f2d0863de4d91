// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/send_driver.h"

#include <algorithm>
#include <exception>

#include "base/display_text.h"
#include "base/file_io.h"
#include "base/limits.h"
#include "base/stop_request.h"
#include "btr/binary_sender.h"
#include "btr/block/hilight_line.h"
#include "btr/block/settings_text.h"
#include "btr/character_output.h"
#include "btr/port/port_check.h"
#include "btr/port_start.h"
#include "config/device_timing.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"
#include "run/program_loader.h"
#include "run/run_report.h"

namespace feedrite {

const char* const port_unavailable_advice =
    "Close this window, put the port right (feedrite-config --check-port says what stands in "
    "the way), then start the program again. To try the program without the machine, start it "
    "on the Virtual control: \"Try it on the Virtual control\" in the desktop's menu, or "
    "feedrite --simulate --open";

std::string scratchpad_path(const std::string& scratchpad_dir) {
    return scratchpad_dir + "/scratchpad data 5b";
}

std::string set_up_advice(const std::string& device, const std::string& settings_file) {
    const std::string option =
        device == default_device_name ? std::string() : " --device \"" + device + '"';
    return "Device: " + device + "  (" + settings_file + ")\n" +
           "Set it up with  feedrite Configure  or, without a window, for example\n" +
           "feedrite-config" + option + " --preset fanuc --port LPT1 --calibrate";
}

bool device_is_set_up(const std::string& program_dir, const std::string& device) {
    if (!device_name_problem(device).empty()) return false;
    const SettingsRead read = read_settings_file(settings_path(program_dir, device));
    return read.settings && port_is_configured(*read.settings);
}

std::string untimed_lines(const PortSettings& settings) {
    const std::pair<DelayKind, int> lines[] = {{DelayKind::data_on, data_on_line},
                                               {DelayKind::sprocket_on, sprocket_on_line},
                                               {DelayKind::overlap, overlap_line},
                                               {DelayKind::data_off, data_off_line},
                                               {DelayKind::between_blocks, eob_delay_line}};
    std::string text;
    int count = 0;
    for (const auto& [kind, line] : lines) {
        if (settings.set_ms(kind)) continue;
        text += (count++ == 0 ? "" : ", ") + std::to_string(line);
    }
    return count == 0 ? text : (count == 1 ? "line " : "lines ") + text;
}

SendDriver::SendDriver(Engine& engine, ModuleState& module, ProgramPlaces places,
                       SendDriverHooks hooks)
    : engine_(engine),
      settings_(engine.settings),
      module_(module),
      places_(std::move(places)),
      hooks_(std::move(hooks)) {}

SendOutcome SendDriver::send_file() {
    engine_.state.run = RunCounters{};
    if (!start_port()) {
        engine_.state.run.phase = RunPhase::PortError;
        return SendOutcome::PortUnavailable;
    }
    // From here every failure, also one nobody foresaw, ends in the same report.
    try {
        if (engine_.state.Binaryfile) return send_binary();
        const SendOutcome loaded = load_text();
        if (loaded != SendOutcome::Sent) return loaded;
        // A stage cut short by a signal may have left a partial text: never sent.
        if (!after_load() || stop_requested()) return SendOutcome::Closed;
        return cycle();
    } catch (const std::exception& failure) {
        return report_load_failure(scratchpad_path(places_.scratchpad_dir), failure.what());
    }
}

std::string two_percent_note(const std::string& leader, const std::string& program) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t end = leader.size();
    while (end > 0 && blank(leader[end - 1])) --end;
    if (end == 0 || leader[end - 1] != '%') return {};
    std::size_t at = 0;
    while (at < program.size()) {
        std::size_t stop = program.find_first_of("\r\n", at);
        if (stop == std::string::npos) stop = program.size();
        std::size_t first = at, last = stop;
        while (first < last && blank(program[first])) ++first;
        while (last > first && blank(program[last - 1])) --last;
        if (first < last) {
            if (program.compare(first, last - first, "%") != 0) return {};
            return "The leader ends with \"%\" and the program's first line is \"%\": the "
                   "control reads \"%\" then \"%\".";
        }
        at = stop + 1;
    }
    return {};
}

bool SendDriver::start_port() {
    const PortError error = port_start_up(engine_.port, settings_);
    if (error.ok()) return true;
    report_port_error(engine_.host, error.message, hooks_.check_port);
    engine_.state.run.failure = error.message;
    show_run_report(engine_, "Nothing can be sent: the BTR port could not be opened.",
                    error.message, port_unavailable_advice);
    return false;
}

SendOutcome SendDriver::send_binary() {
    std::string data;
    FileError error;
    // A missing file is a failure to load, never an empty file created here.
    if (!read_whole_file(engine_.state.filename, data, error, program_size_limit))
        return report_load_failure(engine_.state.filename, error.reason);
    engine_.state.view_holds_report = false;  // the status text stands for the file
    engine_.view.set_text("Ready to send binary file\r\n" + engine_.state.filename + "\r\n(" +
                          std::to_string(data.size()) + " bytes )");
    RunCounters& run = engine_.state.run;
    run.phase = RunPhase::Waiting;
    run.total = static_cast<std::int64_t>(data.size());
    Wait_for_FDT(engine_);
    open_cycle();
    engine_.view.set_text(bytes_sent_text(0));
    engine_.state.Sending_data = 1;
    engine_.host.set_wait_pointer(true);
    BTRsendbinary(engine_, data);
    if (port_failed()) return report_port_failure();
    if (run.position == run.total) run.phase = RunPhase::Finished;
    return finish(SendOutcome::Sent);
}

SendOutcome SendDriver::load_text() {
    ProgramLoader loader(engine_.host, engine_.state, module_, settings_);
    const LoadResult result =
        loader.load(engine_.state.filename, scratchpad_path(places_.scratchpad_dir));
    switch (result.status) {
        case LoadStatus::Loaded:
            engine_.view.set_text(result.text);
            engine_.state.file_line_ends = result.line_ends;
            engine_.state.view_holds_report = false;
            return SendOutcome::Sent;
        case LoadStatus::SubFileFailed:
            engine_.state.run.phase = RunPhase::LoadFailed;
            // The sub file's own message has been shown.
            show_run_report(
                engine_, "The program could not be loaded: a sub file it calls could not be used.",
                result.reason);
            return SendOutcome::SubFileFailed;
        case LoadStatus::Closed:
            return SendOutcome::Closed;
        case LoadStatus::Failed:
            break;
    }
    return report_load_failure(result.failed_file, result.reason);
}

bool SendDriver::after_load() {
    if (hooks_.note)
        if (const std::string note = two_percent_note(settings_.leader_sent, engine_.view.text());
            !note.empty())
            hooks_.note(note);
    return !hooks_.after_load || hooks_.after_load();
}

bool SendDriver::reload_text() {
    ProgramLoader loader(engine_.host, engine_.state, module_, settings_);
    const LoadResult result =
        loader.load(engine_.state.filename, scratchpad_path(places_.scratchpad_dir));
    if (result.status == LoadStatus::Closed) return false;
    if (result.status != LoadStatus::Loaded) {
        const std::string why =
            result.failed_file.empty() ? "." : ":\n" + result.failed_file + "\n" + result.reason;
        engine_.host.notice("The program could not be loaded again" + why +
                                "\n\nThe program loaded before is still the one sent.",
                            "Program changed", MessageIcon::Exclamation);
        return true;
    }
    engine_.view.set_text(result.text);
    if (stop_requested()) return false;  // the text may be partial
    engine_.state.file_line_ends = result.line_ends;
    engine_.state.File_is_edited = false;
    // Lines and offsets of the old text mean nothing in the new one.
    restart_at_.reset();
    if (hooks_.resume != nullptr) hooks_.resume->pending = false;
    return after_load();
}

SendOutcome SendDriver::cycle() {
    WindowState& state = engine_.state;
    bool ran = false;        // the control started a run since the last restart point
    bool completed = false;  // and that run came to its end
    bool ended = false;      // or stopped at a refused block: the cycle is over either way
    for (;;) {
        state.DNC_reset = DNC_run;
        if (hooks_.reload_wanted && hooks_.reload_wanted() && !reload_text())
            return SendOutcome::Closed;
        const bool resuming = hooks_.resume != nullptr && hooks_.resume->pending;
        const TextPos top = restart_at_ ? *restart_at_ : resuming ? hooks_.resume->start : 0;
        engine_.view.set_selection_start(top);
        hilight_line(engine_.view, state);
        state.Sending_data = 0;
        engine_.host.set_wait_pointer(false);
        state.Live_DNC_startpoint = top;
        state.run.phase = RunPhase::Waiting;
        if (ran) close_cycle(completed, ended);
        if (state.tape_cut) tell_of_cut(top);
        ran = completed = ended = false;
        Wait_for_FDT(engine_);
        if (state.DNC_reset == DNC_closing) return SendOutcome::Closed;
        if (port_failed()) return report_port_failure();
        // Reset (or a resume set up) starts from the top, also after a cut:
        // the cut block was offered, not forced.
        if (state.DNC_reset == DNC_restart) {
            restart_at_.reset();
            continue;
        }
        ran = true;
        open_cycle();

        state.Sending_data = 1;
        engine_.host.set_wait_pointer(true);
        BTRsendline(engine_, settings_.leader_sent, false, true);
        if (state.DNC_reset == DNC_closing) return SendOutcome::Closed;
        if (port_failed()) return report_port_failure();
        if (state.tape_cut) {
            cut_in_ = CutIn::Leader;
            continue;  // the start stays where it was
        }
        restart_at_.reset();
        const bool preamble_sent = send_preamble();
        if (port_failed()) return report_port_failure();
        if (!preamble_sent) continue;
        const BlocksEnd end = send_blocks();
        if (end == BlocksEnd::Trailer) {
            BTRsendline(engine_, settings_.trailer_sent, false, true);
            if (state.tape_cut) cut_in_ = CutIn::Trailer;
            engine_.host.yield();
        }
        if (state.DNC_reset != DNC_closing && port_failed()) return report_port_failure();
        // A cycle ended by a refused block did not run to its end.
        completed = (end == BlocksEnd::Trailer || end == BlocksEnd::ResetText) &&
                    state.DNC_reset != DNC_closing && !state.tape_cut;
        ended = completed || (end == BlocksEnd::Refused && state.DNC_reset != DNC_closing);
        // Closing wins over a restart: the window is gone, nothing may follow.
        if (state.DNC_reset == DNC_closing) return SendOutcome::Closed;
    }
}

// A pending resume's blocks, when its line is still the start point (a click
// on another line meanwhile means the operator chose that line instead).
// They are prepared as every block is. False when a reset cut them short;
// edit mode puts the resume back, so the next run sends the preamble whole.
bool SendDriver::send_preamble() {
    ResumeRequest* resume = hooks_.resume;
    if (resume == nullptr || !resume->pending) return true;
    resume->pending = false;
    if (resume->start != engine_.state.Live_DNC_startpoint) return true;
    for (const std::string& block : resume->blocks) {
        BTRsendline(engine_, block, true, false);
        if (engine_.state.tape_cut) resume->pending = true, cut_in_ = CutIn::Preamble;
        if (engine_.state.DNC_reset != DNC_run || engine_.state.tape_cut) return false;
    }
    return true;
}

// The blocks from Live_DNC_startpoint to the end of the text, cut from the
// view one line at a time.
SendDriver::BlocksEnd SendDriver::send_blocks() {
    WindowState& state = engine_.state;
    // The length is read afresh too: the program may have been edited.
    while (state.Live_DNC_startpoint <= engine_.view.length()) {
        engine_.host.yield();
        // Read afresh: a click in a yield may have moved the start point.
        const TextPos start = state.Live_DNC_startpoint;
        const std::string block = engine_.view.select_line_from(start);
        state.run.position = start;
        const std::int64_t refused = state.run.blocks_refused;
        BTRsendline(engine_, block, true, false);
        if (port_failed()) return BlocksEnd::Stopped;
        if (state.tape_cut) {
            restart_at_ = start;  // the block again, whole, unless the operator picks another
            cut_in_ = CutIn::Block;
            return BlocksEnd::Stopped;
        }
        ++state.run.blocks_sent;
        state.run.consumed += static_cast<std::int64_t>(block.size()) + 2;
        if (state.run.blocks_refused != refused) return BlocksEnd::Refused;
        if (state.DNC_reset != DNC_run) return BlocksEnd::Stopped;
        if (hooks_.block_sent) hooks_.block_sent(start);
        if (holds_reset_text(block, settings_.BTRreset)) return BlocksEnd::ResetText;
        // A line picked while this block was on its way is the next block:
        // adding this block's length to it would cut the next one mid-line.
        if (state.Live_DNC_startpoint == start)
            state.Live_DNC_startpoint += static_cast<TextPos>(block.size()) + 2;
    }
    return BlocksEnd::Trailer;
}

// Said once, at the restart point after the cut, naming where the tape
// stopped; the caret already stands on the block that starts the next
// transmission.
void SendDriver::tell_of_cut(TextPos top) {
    engine_.state.tape_cut = false;
    const std::string line = std::to_string(engine_.view.line_index(top) + 1);
    const std::string next = "The next transmission starts at the beginning of line " + line +
                             ", or of the line you click; Reset starts it from the top.";
    switch (cut_in_) {
        case CutIn::Leader:
            return show_edit_mode_message(
                engine_, "The tape stopped in the leader: no block was sent. " + next);
        case CutIn::Preamble:
            return show_edit_mode_message(
                engine_,
                "The tape stopped in the resume blocks: they are sent whole again. " + next);
        case CutIn::Trailer:
            return show_edit_mode_message(
                engine_, "The tape stopped in the trailer, after the last block. " + next);
        case CutIn::Block:
            return show_edit_mode_message(engine_, "The tape stopped inside line " + line +
                                                       ": the rest of that block is not sent. " +
                                                       next);
    }
}

void SendDriver::open_cycle() {
    RunCounters& run = engine_.state.run;
    run.phase = RunPhase::Sending;
    run.control_stopped = false;
    run.cycle_started_at = monotonic_seconds();
    ++run.cycles_started;
    run.consumed = 0;
    run.position = engine_.state.Binaryfile ? 0 : engine_.state.Live_DNC_startpoint;
    if (!engine_.state.Binaryfile) run.total = engine_.view.length();
    cycle_from_top_ = run.position == 0;
}

void SendDriver::close_cycle(bool completed, bool ended) {
    // A refused block ends the cycle, but it did not run to its end.
    if (ended && !completed && hooks_.at_cycle_end) hooks_.at_cycle_end();
    if (!completed) return;  // a reset or a stop cut it short: it is begun again, not done
    RunCounters& run = engine_.state.run;
    // A tail is the end of a pass, not one of its own: neither counted nor timed.
    if (cycle_from_top_) {
        ++run.cycles_completed;
        run.last_cycle_seconds = monotonic_seconds() - run.cycle_started_at;
    }
    if (hooks_.at_cycle_end) hooks_.at_cycle_end();
}

SendOutcome SendDriver::report_load_failure(const std::string& file, const std::string& reason) {
    engine_.state.run.phase = RunPhase::LoadFailed;
    const std::string cause = file + ": " + reason;
    engine_.host.message_box(
        "Cannot access file\n" + scratchpad_path(places_.scratchpad_dir) + "\n" + cause,
        "Disk write error", MessageIcon::Exclamation, MessageButtons::Ok);
    show_run_report(engine_, "The program could not be loaded; nothing has been sent.", cause);
    return SendOutcome::LoadFailed;
}

// The run ends where the port failed, said at once: a pulled cable or a dead
// card otherwise hung the run on a "stopped" control or wrote into nothing.
SendOutcome SendDriver::report_port_failure() {
    const PortError fault = engine_.port.fault();
    engine_.state.run.phase = RunPhase::PortError;
    put_lines_at_rest(engine_.port, settings_);  // where the port still takes it
    engine_.host.message_box(
        fault.message + "\nThe run has stopped; the control may hold part of a block.",
        "BTR port error", MessageIcon::Exclamation, MessageButtons::Ok);
    engine_.state.run.failure = fault.message;
    show_run_report(engine_, "The run stopped: the BTR port failed.", fault.message);
    return SendOutcome::PortFailed;
}

SendOutcome SendDriver::finish(SendOutcome outcome) {
    engine_.state.Sending_data = 0;
    engine_.host.set_wait_pointer(false);
    engine_.host.close_window();
    return outcome;
}

}  // namespace feedrite
