// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A host for tests: message boxes are recorded and answered from a script
// (the first button when the script is empty); yields count and can run
// actions at chosen moments.

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/host.h"

namespace feedrite::testing {

struct RecordedMessage {
    std::string text, title;
    MessageIcon icon;
    MessageButtons buttons;
    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
    friend void PrintTo(const RecordedMessage& m, std::ostream* out) {
        *out << '{' << m.title << ": " << m.text << ", icon " << static_cast<int>(m.icon)
             << ", buttons " << static_cast<int>(m.buttons) << '}';
    }
};
using Messages = std::vector<RecordedMessage>;

/// What the host records for one message box with an OK button.
inline Messages told(std::string text, std::string title, MessageIcon icon) {
    return {{std::move(text), std::move(title), icon, MessageButtons::Ok}};
}

class ScriptedHost : public Host {
  public:
    void yield() override;
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void beep() override { ++beeps; }
    void set_wait_pointer(bool wait) override { wait_pointer = wait; }
    void set_stall_timer(bool enabled) override {
        if (enabled && !stall_timer) ++stall_timer_starts;
        stall_timer = enabled;
    }
    void set_caption(const std::string& text) override { caption = text; }
    void close_window() override { ++close_requests; }
    void end_program() override { ended = true; }

    /// Runs `action` during the yield with this 1-based number.
    void at_yield(long number, std::function<void()> action) {
        yield_actions_[number] = std::move(action);
    }

    /// Runs at every yield, after the numbered action of that yield.
    std::function<void()> at_every_yield;
    std::vector<MessageAnswer> answers;  ///< consumed front to back
    Messages messages;
    long yields = 0;
    int beeps = 0;
    bool wait_pointer = false;
    bool stall_timer = false;
    int stall_timer_starts = 0;  ///< off-to-on switches only
    std::string caption;
    int close_requests = 0;
    bool ended = false;

  private:
    std::map<long, std::function<void()>> yield_actions_;
};

}  // namespace feedrite::testing
