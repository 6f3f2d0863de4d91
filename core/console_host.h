// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host of the headless tools: messages go to stderr as one line each and
// are answered with their first button; there is no window to yield to.

#include <ostream>

#include "core/host.h"

namespace feedrite {

/// "TITLE: TEXT" with every LF of the text written as " / ".
[[nodiscard]] std::string console_message_line(const std::string& text, const std::string& title);

class ConsoleHost : public Host {
  public:
    explicit ConsoleHost(std::ostream& errors) : errors_(errors) {}

    void yield() override {}
    MessageAnswer message_box(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void beep() override {}
    void set_wait_pointer(bool) override {}
    void set_stall_timer(bool) override {}
    void set_caption(const std::string&) override {}
    /// There is no window: the tools end on the send driver's outcome.
    void close_window() override {}
    void end_program() override {}

  private:
    std::ostream& errors_;
};

}  // namespace feedrite
