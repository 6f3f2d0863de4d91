// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/binary_sender.h"

#include "btr/character_output.h"
#include "btr/port_start.h"

namespace feedrite {

std::string bytes_sent_text(std::size_t count) {
    return "Bytes sent:  " + std::to_string(count);
}

void BTRsendbinary(Engine& engine, std::string_view content) {
    if (engine.state.Sending_data == 0) {
        engine.state.Sending_data = 1;
        engine.host.set_stall_timer(false);
        engine.host.set_wait_pointer(true);
    }
    for (std::size_t i = 0; i < content.size(); ++i) {
        engine.view.set_text(bytes_sent_text(i + 1));
        if (!wait_for_run(engine)) return;
        send_character(engine, static_cast<unsigned char>(content[i]));
        RunCounters& run = engine.state.run;
        run.position = run.consumed = ++run.characters_sent;
    }
}

}  // namespace feedrite
