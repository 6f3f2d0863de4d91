// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_progress.h"

#include <algorithm>
#include <cstdio>

#include "core/window_math.h"

namespace feedrite {

void RateWindow::restart(double t, std::int64_t count) {
    samples_.clear();
    samples_.emplace_back(t, count);
}

void RateWindow::sample(double t, std::int64_t count) {
    samples_.emplace_back(t, count);
    // Keep one sample at or before the window's start to interpolate from.
    while (samples_.size() > 2 && samples_[1].first <= t - span_) samples_.pop_front();
}

void RateWindow::skip(double seconds) {
    for (auto& sample : samples_) sample.first += seconds;
}

std::optional<double> RateWindow::rate() const {
    if (samples_.size() < 2) return std::nullopt;
    const auto [t0, c0] = samples_[0];
    const auto [t1, c1] = samples_[1];
    const auto [last_t, last_c] = samples_.back();
    const double start = std::max(t0, last_t - span_);
    if (last_t - start < least_) return std::nullopt;
    double count_at_start = static_cast<double>(c0);
    if (start > t0 && t1 > t0)
        count_at_start += static_cast<double>(c1 - c0) * (start - t0) / (t1 - t0);
    return (static_cast<double>(last_c) - count_at_start) / (last_t - start);
}

namespace {

ShownState state_of(const RunCounters& run, bool edit_mode) {
    switch (run.phase) {
        case RunPhase::Loading:
            return ShownState::Loading;
        case RunPhase::NotConfigured:
            return ShownState::NotConfigured;
        case RunPhase::PortError:
            return ShownState::PortError;
        case RunPhase::LoadFailed:
            return ShownState::LoadFailed;
        case RunPhase::Finished:
            return ShownState::Finished;
        case RunPhase::Waiting:
        case RunPhase::Sending:
            break;
    }
    // Edit mode first: the engine refuses to send until it ends.
    if (edit_mode) return ShownState::EditMode;
    if (run.phase == RunPhase::Waiting) return ShownState::Waiting;
    return run.control_stopped ? ShownState::Stopped : ShownState::Sending;
}

}  // namespace

ProgressFigures ProgressTracker::poll(const RunCounters& run, bool binary, bool edit_mode,
                                      std::int64_t place, std::int64_t places, double now,
                                      double configured_cps) {
    ProgressFigures f;
    f.state = state_of(run, edit_mode);
    f.binary = binary;
    f.cycles = run.cycles_completed;
    const bool modelled = !binary && !model_.left.empty();
    if (modelled)
        f.machining = model_.machining, f.waits = model_.waits, f.wait_blocks = model_.wait_blocks,
        f.accelerated = model_.accelerated;
    if (run.last_cycle_seconds >= 0) f.last_cycle = run.last_cycle_seconds;
    const bool open = run.phase == RunPhase::Sending;
    if (!open && run.phase != RunPhase::Waiting && run.phase != RunPhase::Finished) return f;

    f.place = std::min(place, places);
    f.places = places;
    if (run.phase == RunPhase::Finished) {
        f.percent = 100.0;
        f.left = 0.0;
        return f;
    }
    if (open && run.cycles_started != cycle_) {
        cycle_ = run.cycles_started;
        window_.restart(run.cycle_started_at, 0);
        held_since_.reset();
        left_.reset();
    }
    if (open) f.elapsed = now - run.cycle_started_at;
    const std::int64_t position = open ? std::clamp<std::int64_t>(run.position, 0, run.total) : 0;
    // Waiting, the share is that of the lines before the next start (after
    // a stop inside a block or a resume it is no longer the top); in edit
    // mode between runs there is nothing to share.
    if (open && run.total > 0)
        f.percent = 100.0 * static_cast<double>(position) / static_cast<double>(run.total);
    else if (!open && !edit_mode && f.places > 0)
        f.percent = 100.0 * static_cast<double>(std::max<std::int64_t>(f.place - 1, 0)) /
                    static_cast<double>(f.places);
    // Nothing moves while the control holds the tape, edit mode stops it or
    // the tape waits at its start: time left stays as it was.
    f.held = f.state == ShownState::Stopped || f.state == ShownState::EditMode ||
             f.state == ShownState::Waiting;
    if (open && f.held) {
        if (!held_since_) held_since_ = now;
        if (left_) {
            f.left = left_;
            f.left_measured = left_measured_;
            f.left_modelled = left_modelled_;
            return f;
        }
    } else if (open) {
        if (held_since_) window_.skip(now - *held_since_);
        held_since_.reset();
        window_.sample(now, run.consumed);
    }
    const auto remaining = static_cast<double>(run.total - position);
    const std::optional<double> measured = open ? window_.rate() : std::nullopt;
    if (modelled && place >= 1) {
        // The block being sent is still to be cut.
        const auto at = static_cast<std::size_t>(std::min<std::int64_t>(place, places));
        f.left = at <= model_.left.size() ? model_.left[at - 1] : 0.0;
        f.left_modelled = true;
    } else if (measured) {
        f.left_measured = true;
        if (*measured > 0) f.left = remaining / *measured;
    } else if (configured_cps > 0) {
        f.left = remaining / configured_cps;
    }
    if (open && !f.held)
        left_ = f.left, left_measured_ = f.left_measured, left_modelled_ = f.left_modelled;
    return f;
}

const char* shown_state_text(ShownState state) {
    switch (state) {
        case ShownState::Loading:
            return "Loading";
        case ShownState::NotConfigured:
            return "Not configured";
        case ShownState::PortError:
            return "Port error";
        case ShownState::LoadFailed:
            return "Load failed";
        case ShownState::EditMode:
            return "Edit mode";
        case ShownState::Waiting:
            return "Waiting for the control";
        case ShownState::Stopped:
            return "Stopped by the control";
        case ShownState::Sending:
            return "Sending";
        case ShownState::Finished:
            return "Finished";
    }
    return "";
}

std::string join_detail(const std::vector<std::string>& parts, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < std::min(count, parts.size()); ++i)
        text += (i == 0 ? "" : "    ") + parts[i];
    return text;
}

ProgressTexts progress_texts(const ProgressFigures& f) {
    ProgressTexts t;
    t.state = shown_state_text(f.state);
    if (f.percent) {
        char share[32];
        std::snprintf(share, sizeof share, "%.1f %%", *f.percent);
        t.main = share;
        const bool rough = f.left && !f.left_measured && !f.left_modelled;
        t.main += "    " + std::string(rough ? "~" : "") + duration_text(f.left) + " left" +
                  (f.held ? ", held" : "");
    }
    // Armed, a resume changes what the next Cycle start reads: said first.
    if (f.resume_line > 0 && f.state == ShownState::Waiting)
        t.main = "Resume at line " + std::to_string(f.resume_line) +
                 (t.main.empty() ? "" : "    ") + t.main;
    std::vector<std::string>& parts = t.detail_parts;
    if (f.places > 0 || f.place > 0)
        parts.push_back(std::string(f.binary ? "byte " : "line ") + std::to_string(f.place) +
                        " of " + std::to_string(f.places));
    if (f.elapsed) parts.push_back("elapsed " + duration_text(f.elapsed));
    parts.push_back("cycles " + std::to_string(f.cycles) +
                    (f.last_cycle ? " (last " + duration_text(f.last_cycle) + ")" : ""));
    if (f.machining)
        parts.push_back("machining " + duration_text(f.machining) +
                        (f.accelerated ? "" : " without acceleration") + ", stops in the cut " +
                        duration_text(f.waits) + " in " + std::to_string(f.wait_blocks));
    t.detail = join_detail(parts, parts.size());
    return t;
}

}  // namespace feedrite
