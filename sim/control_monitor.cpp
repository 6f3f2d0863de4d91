// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/control_monitor.h"

#include <algorithm>
#include <vector>

#include "btr/code_table.h"

namespace feedrite {
namespace {

// How a decoded character shows in the read text. Blank tape, NUL and DEL are
// tape feed and show nothing; CR LF and LF CR are one line break.
std::string shown_text(std::optional<char> decoded, char& last_break) {
    if (!decoded || *decoded == '\0' || *decoded == '\x7F') return {};
    const char c = *decoded;
    if (c == '\r' || c == '\n') {
        const bool second_of_pair = last_break != 0 && last_break != c;
        last_break = second_of_pair ? 0 : c;
        return second_of_pair ? std::string() : std::string("\n");
    }
    last_break = 0;
    const auto byte = static_cast<unsigned char>(c);
    if (c != '\t' && byte < 0x20) return {'^', static_cast<char>(byte + 0x40)};  // ^R for DC2
    return std::string(1, c);
}

// Drops whole pieces, then the front of one, once `size` is well over `limit`,
// so that long runs are not cut one character at a time. True when it did.
bool trim_front(std::deque<ReadRun>& runs, std::size_t& size, std::size_t limit) {
    if (size <= limit + limit / 8) return false;
    while (size > limit) {
        ReadRun& front = runs.front();
        const std::size_t cut = std::min(front.text.size(), size - limit);
        front.text.erase(0, cut);
        size -= cut;
        if (front.text.empty()) runs.pop_front();
    }
    return true;
}

void add_text(std::deque<ReadRun>& runs, const std::string& text, bool parity_error) {
    if (!runs.empty() && runs.back().parity_error == parity_error)
        runs.back().text += text;
    else
        runs.push_back({text, parity_error});
}

}  // namespace

const char* state_name(ControlState state) {
    switch (state) {
        case ControlState::Waiting:
            return "Waiting";
        case ControlState::Reading:
            return "Reading";
        case ControlState::Stopped:
            return "Stopped";
    }
    return "";
}

ControlMonitor::ControlMonitor(std::size_t tail_limit, std::size_t window)
    : tail_limit_(tail_limit),
      data_on_(window),
      sprocket_on_(window),
      overlap_(window),
      interval_(window) {}

void ControlMonitor::poll(VirtualControl& control, ControlClock::time_point now) {
    const std::vector<LatchedCharacter>& characters = control.characters();
    const std::size_t first = control.first_character_number();
    const int code_set = control.settings().code;
    std::optional<std::size_t> pending;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const std::size_t number = first + i;
        const LatchedCharacter& character = characters[i];
        if (number >= next_number_) {
            take_character(character, code_set);
            next_number_ = number + 1;
        } else if (pending_ != number) {
            continue;  // taken before a reset, or its figures are in already
        }
        // A later latch ends a character even when an edge it waited for never came.
        const bool complete =
            i + 1 < characters.size() || (character.released && character.data_off);
        if (complete)
            take_figures(character);
        else
            pending = number;
    }
    pending_ = pending;
    for (const Finding& finding : control.findings()) {
        ++counts_.findings;
        latest_finding_ = renumbered(finding);
    }
    control.forget_settled();

    if (!control.in_run())
        state_ = ControlState::Stopped;
    else if (last_latch_ && now - *last_latch_ < reading_hold)
        state_ = ControlState::Reading;
    else
        state_ = ControlState::Waiting;
}

// Numbered as the counter counts, from the last reset; one about a character
// read before it comes "before the first character".
std::string ControlMonitor::renumbered(const Finding& finding) const {
    const std::size_t before = reset_after_;
    if (before == 0) return finding.text;
    const std::size_t colon = finding.text.find(": ");
    const std::string detail =
        colon == std::string::npos ? finding.text : finding.text.substr(colon + 2);
    const std::size_t character = finding.character > before ? finding.character - before : 0;
    return make_finding(finding.kind, character, finding.at, detail).text;
}

void ControlMonitor::reset() {
    reset_after_ = next_number_ - 1;
    pending_.reset();
    last_latch_.reset();
    last_break_ = 0;
    break_marked_ = false;
    label_skip_ = true;
    state_ = ControlState::Waiting;
    counts_ = {};
    latest_finding_.clear();
    for (RollingFigures* figures : {&data_on_, &sprocket_on_, &overlap_, &interval_})
        figures->clear();
    tail_.clear();
    tail_size_ = 0;
    update_replace_ = true;
    update_queue_.clear();
    update_size_ = 0;
}

void ControlMonitor::take_character(const LatchedCharacter& character, int code_set) {
    ++counts_.characters;
    const bool parity_error = !character.parity_ok;
    if (parity_error) ++counts_.parity_errors;
    const std::optional<char> decoded = decode_character(character.code, code_set);
    if (last_latch_) interval_.add(milliseconds_between(*last_latch_, character.latched));
    last_latch_ = character.latched;
    if (label_skip_) {
        label_skip_ = decoded != '\n';
        return;
    }
    if (decoded == '\n') ++counts_.blocks;

    const bool line_break = decoded == '\r' || decoded == '\n';
    const bool second_of_pair = line_break && last_break_ != 0 && last_break_ != *decoded;
    std::string text = shown_text(decoded, last_break_);
    // One marker per line break: a pair's second half adds none to a marked first.
    const bool unmarked = text.empty() || text == "\n";
    if (parity_error && unmarked && !(second_of_pair && break_marked_))
        text.insert(text.begin(), parity_marker);
    if (line_break && !second_of_pair) break_marked_ = parity_error;
    if (!text.empty()) append(text, parity_error);
}

void ControlMonitor::take_figures(const LatchedCharacter& character) {
    const CharacterFigures figures = figures_of(character);
    if (figures.data_on_ms) data_on_.add(*figures.data_on_ms);
    if (figures.sprocket_on_ms) sprocket_on_.add(*figures.sprocket_on_ms);
    overlap_.add(figures.overlap_ms);
}

void ControlMonitor::append(const std::string& text, bool parity_error) {
    add_text(tail_, text, parity_error);
    tail_size_ += text.size();
    trim_front(tail_, tail_size_, tail_limit_);
    add_text(update_queue_, text, parity_error);
    update_size_ += text.size();
    // A view that fell this far behind starts afresh from the tail.
    if (trim_front(update_queue_, update_size_, tail_limit_)) update_replace_ = true;
}

std::string ControlMonitor::tail_text() const {
    std::string text;
    text.reserve(tail_size_);
    for (const ReadRun& run : tail_) text += run.text;
    return text;
}

TextUpdate ControlMonitor::take_text_update() {
    TextUpdate update{update_replace_, {update_queue_.begin(), update_queue_.end()}};
    update_replace_ = false;
    update_queue_.clear();
    update_size_ = 0;
    return update;
}

}  // namespace feedrite
