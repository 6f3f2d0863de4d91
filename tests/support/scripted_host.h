#pragma once
// A host for tests: message boxes are recorded and answered from a script
// (the first button when the script is empty); yields count and can run
// actions at chosen moments.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/toolkit/host.h"

namespace feedrite::testing {

struct RecordedMessage {
    std::string text, title;
    MessageIcon icon;
    MessageButtons buttons;
};

class ScriptedHost : public Host {
public:
    void yield() override;
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void beep() override { ++beeps; }
    void set_wait_pointer(bool wait) override { wait_pointer = wait; }
    void set_stall_timer(bool enabled) override;
    void set_caption(const std::string& text) override { caption = text; }
    void close_window() override { ++close_requests; }
    void end_program() override { ended = true; }

    /// Runs `action` during the yield with this 1-based number.
    void at_yield(long number, std::function<void()> action) { yield_actions_[number] = std::move(action); }

    /// Runs at every yield, after the numbered action of that yield.
    std::function<void()> at_every_yield;
    std::vector<MessageAnswer> answers;  ///< consumed front to back
    std::vector<RecordedMessage> messages;
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
