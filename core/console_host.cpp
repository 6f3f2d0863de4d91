// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console_host.h"

namespace feedrite {

std::string console_message_line(const std::string& text, const std::string& title) {
    std::string line = (title.empty() ? std::string(default_message_title) : title) + ": ";
    for (const char c : text) {
        if (c == '\n')
            line += " / ";
        else
            line += c;
    }
    return line;
}

MessageAnswer ConsoleHost::message_box(const std::string& text, const std::string& title,
                                       MessageIcon, MessageButtons buttons) {
    errors_ << console_message_line(text, title) << '\n' << std::flush;
    const bool yes_no = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
    return yes_no ? MessageAnswer::Yes : MessageAnswer::Ok;
}

}  // namespace feedrite
