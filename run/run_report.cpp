// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_report.h"

#include "base/display_text.h"

namespace feedrite {

void show_run_report(Engine& engine, const std::string& what, const std::string& detail,
                     const std::string& next) {
    engine.state.view_holds_report = true;
    engine.state.Sending_data = 0;
    engine.host.set_wait_pointer(false);
    std::string text = what + "\r\n\r\n";
    // The view shows Latin-1; file names in the detail come in the locale's UTF-8.
    for (char c : latin1_for_view(detail))
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    text += "\r\n\r\n" + next + "\r\n";
    engine.view.set_text(text);
}

}  // namespace feedrite
