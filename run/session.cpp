// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/session.h"

#include <algorithm>
#include <utility>

#include "btr/block/hilight_line.h"
#include "btr/port_start.h"
#include "config/editor_settings.h"
#include "edit/edit_mode.h"
#include "run/device_settings.h"
#include "run/scratchpad.h"

namespace feedrite {

Session::Session(Host& host, TextView& view, PortMaker make_port, SessionTiming timing)
    : host_(host),
      view_(view),
      make_port_(std::move(make_port)),
      port_(nullptr),
      engine_{state_,
              settings_,
              port_,
              host,
              view,
              nullptr,
              timing == SessionTiming::Guarded ? &clock_ : nullptr,
              &figures_} {
    engine_.spin = timing != SessionTiming::Counted;
}

Session::~Session() = default;

void Session::start(const std::string& filename, const std::string& device, bool binary) {
    state_.Edit_mode = false;
    state_.view_holds_report = true;  // "Loading..." until the program is in the view
    state_.useCALLs = true;
    state_.filename = filename;
    state_.IO_device_name = device;
    state_.Binaryfile = binary;
}

void Session::use_port(PortMaker make_port, bool simulated) {
    if (port_.opened()) return;
    make_port_ = std::move(make_port);
    // A run already under way goes on on the virtual port: its record says so.
    if (simulated && !simulated_ && history_ && history_->is_open()) history_->mark_simulated();
    simulated_ = simulated;
}

void Session::read_look(const std::string& path) {
    read_editor_settings(path, state_);
}

void Session::keep_awake_with(std::unique_ptr<SleepInhibitor> inhibitor, std::ostream& errors) {
    awake_.reset();
    inhibitor_ = std::move(inhibitor);
    if (inhibitor_) awake_ = std::make_unique<StayAwake>(*inhibitor_, errors);
}

SendOutcome Session::send(ModuleState& module, const ProgramPlaces& places, SendDriverHooks hooks) {
    if (history_ && !history_->is_open()) history_->open(state_, simulated_);
    state_.run = RunCounters{};
    // An unopened port from an attempt before holds the old record: let go first.
    port_.replace(nullptr);
    std::optional<PortSettings> read = read_device_settings(engine_, places.dir);
    if (!read) return SendOutcome::NotConfigured;
    settings_ = std::move(*read);
    port_.replace(make_port_(settings_));
    if (hooks.resume == nullptr) hooks.resume = &resume_;
    // The journal hears of each finished block; its thread does the writing.
    // Once the text is edited its lines are not the file's: a crash then
    // leaves no line to offer (saving only comes with closing).
    hooks.block_sent = [this, shown = std::move(hooks.block_sent)](TextPos start) {
        if (shown) shown(start);
        feed_.offer(state_.run, state_, nullptr, tape_line(), realtime_, false);
        if (journal_)
            journal_->record(state_.File_is_edited ? 0 : view_.line_index(start) + 1, true);
    };
    hooks.at_cycle_end = [this, told = std::move(hooks.at_cycle_end)] {
        if (journal_) journal_->record(0, false);
        feed_.offer(state_.run, state_, nullptr, tape_line(), realtime_, true);
        if (told) told();
    };
    // Reloading is no tape work: at normal priority, asked again once loaded.
    hooks.reload_wanted = [this] {
        const bool wanted = std::exchange(reload_wanted_, false);
        if (wanted) hold_realtime(false);
        return wanted;
    };
    // The program as loaded (or loaded again), for the report's digest and blocks.
    if (feed_.active())
        hooks.after_load = [this, loaded = std::move(hooks.after_load)] {
            feed_.program_loaded(view_.text());
            return !loaded || loaded();
        };
    return SendDriver(engine_, module, places, std::move(hooks)).send_file();
}

bool Session::reset() {
    if (state_.Sending_data != 0) return false;
    state_.DNC_reset = DNC_restart;
    return true;
}

bool Session::edit() {
    return toggle_edit_mode(state_, view_);
}

void Session::resume(TextPos start, std::vector<std::string> blocks) {
    resume_ = {true, start, std::move(blocks)};
    state_.DNC_reset = DNC_restart;
}

void Session::reload() {
    reload_wanted_ = true;
    if (state_.run.phase != RunPhase::Sending) reset();
}

void Session::close(const std::string& signal) {
    state_.DNC_reset = DNC_closing;
    if (!signal.empty()) {
        ending_signal_ = signal;
        if (history_)
            history_->note_ending(end_reason_for(state_.run.phase, true), signal, state_.run);
    }
    journal_.reset();  // its last state is on disk before the process ends
}

void Session::stood_still() {
    state_.Sending_data = 0;
    host_.set_wait_pointer(false);
}

void Session::end() {
    if (port_.opened()) put_lines_at_rest(port_, settings_);
    port_.close();
    Scratchpad::remove_the_one_in_use();  // an end within a load leaves no file
    const std::string& detail = ending_signal_.empty() ? state_.run.failure : ending_signal_;
    if (history_)
        history_->close(end_reason_for(state_.run.phase, !ending_signal_.empty()), detail,
                        state_.run, [this] { return timing_figures(figures_); });
    if (awake_) awake_->release();
    feed_.offer(state_.run, state_, nullptr, tape_line(), realtime_, true);
    feed_.stop();
}

bool Session::key_down(int key) {
    return accept_key_down(key, state_, host_);
}

void Session::key_up(int key) {
    view_key_up(key, state_, view_);
}

void Session::text_edited() {
    text_changed(state_);
}

void Session::caret_moved() {
    hilight_line(view_, state_);
}

SearchResult Session::search(const SearchSettings& settings) {
    return run_search(settings, view_, state_, host_);
}

SaveResult Session::save(const ModuleState& module) {
    return Save_file(view_, state_, module, settings_, host_);
}

FileError Session::save_copy(const std::string& path) const {
    return feedrite::save_copy(view_, state_, path);
}

void Session::hold_realtime(bool wanted) {
    if (!scheduler_) return;
    if (wanted)
        realtime_ = request_realtime(*scheduler_);
    else
        end_realtime(*scheduler_, realtime_);
}

SessionState Session::state() const {
    if (state_.DNC_reset == DNC_closing) return SessionState::Closing;
    if (state_.Edit_mode) return SessionState::Editing;
    switch (state_.run.phase) {
        case RunPhase::Loading:
            return SessionState::Loading;
        case RunPhase::NotConfigured:
        case RunPhase::PortError:
        case RunPhase::LoadFailed:
            return SessionState::Failed;
        case RunPhase::Waiting:
            return SessionState::Waiting;
        case RunPhase::Sending:
            return state_.run.control_stopped || state_.Sending_data == 0 ? SessionState::Holding
                                                                          : SessionState::Sending;
        case RunPhase::Finished:
            break;
    }
    return SessionState::Finished;
}

bool Session::may_resume() const {
    return loaded_ && state_.Sending_data == 0 && !state_.Edit_mode && !state_.Binaryfile &&
           state_.DNC_reset != DNC_closing;
}

std::int64_t Session::tape_line() const {
    if (state_.Binaryfile || state_.run.phase == RunPhase::Loading) return 0;
    const TextPos at =
        state_.run.phase == RunPhase::Waiting ? state_.Live_DNC_startpoint : state_.run.position;
    return view_.line_index(std::clamp<TextPos>(at, 0, view_.length())) + 1;
}

ProgressFigures Session::poll_progress() {
    const RunCounters& run = state_.run;
    std::int64_t place = run.position;
    std::int64_t places = run.total;
    if (!state_.Binaryfile) {
        // Lines, not characters: the view's text ends with a line break, after
        // which no line begins.
        const TextPos length = view_.length();
        const std::int64_t last = view_.line_index(length);
        places = length > 0 && view_.line_index(length - 1) < last ? last : last + 1;
        place = tape_line();
    }
    ProgressFigures figures = tracker_.poll(run, state_.Binaryfile, state_.Edit_mode, place, places,
                                            monotonic_seconds(), settings_.speed_cps.value_or(0));
    // A line picked meanwhile wins over the resume (the driver drops it): not shown then.
    if (resume_.pending && resume_.start == state_.Live_DNC_startpoint)
        figures.resume_line = view_.line_index(resume_.start) + 1;
    if (awake_) awake_->follow(run.phase);
    if (history_) history_->checkpoint(run);
    feed_.offer(run, state_, &figures, state_.Binaryfile ? 0 : place, realtime_, true);
    return figures;
}

bool Session::estimate(std::uint64_t revision) {
    if (estimated_of_ == revision) return false;
    estimated_of_ = revision;
    // Time left from the machine, not the tape, where the program moves it.
    // A program loaded again or edited replaces the model of the one before, or drops it.
    estimate_ = estimate_program(view_.text(), settings_);
    const ProgramEstimate& e = estimate_;
    tracker_.set_model(e.machining_seconds > 0
                           ? ModelTimes{e.left, e.machining_seconds, e.waits.seconds,
                                        static_cast<std::int64_t>(e.waits.blocks), e.accelerated}
                           : ModelTimes{});
    return true;
}

}  // namespace feedrite
