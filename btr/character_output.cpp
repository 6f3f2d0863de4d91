// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/character_output.h"

#include <cstdint>

#include "btr/block/prepare_block.h"
#include "btr/code_table.h"
#include "btr/delay_figures.h"
#include "btr/delay_guard.h"
#include "btr/delay_loop.h"
#include "btr/port_start.h"
#include "btr/signals.h"

namespace feedrite {

void busy_delay(Engine& engine, double count) {
    if (engine.delay_observer != nullptr) engine.delay_observer->on_delay(count);
    if (engine.spin) (void)run_delay_passes(engine.host, 0, count);
}

void busy_delay(Engine& engine, DelayKind kind) {
    const double count = engine.settings.count(kind);
    const std::optional<double> set_ms = engine.settings.set_ms(kind);
    if (engine.clock == nullptr || !set_ms) {
        busy_delay(engine, count);
        return;
    }
    if (engine.delay_observer != nullptr) engine.delay_observer->on_delay(count);
    const double ms = guarded_delay(engine.host, *engine.clock, count, *set_ms, engine.figures);
    if (engine.figures != nullptr) engine.figures->record(kind, ms, *set_ms, engine.clock->now());
}

void convert_codes(std::string& block, int code_set) {
    const bool known = code_set >= 0 && code_set < code_set_count;
    for (char& c : block) {
        const auto character = static_cast<unsigned char>(c);
        c = static_cast<char>(known ? code_table()[code_set][character] : 0);
    }
}

namespace {

void send_normal(Engine& engine, int c) {
    const PortSettings& s = engine.settings;
    PortAccess& port = engine.port;
    port.port_write(0, data_value(c, s.Data_logic));
    busy_delay(engine, DelayKind::overlap);
    port.port_write(2, sprocket_active(port.port_read(2), s.Sprocket_logic));
    busy_delay(engine, DelayKind::sprocket_on);
    port.port_write(2, sprocket_inactive(port.port_read(2), s.Sprocket_logic));
    busy_delay(engine, DelayKind::rest_of_data_on);
    port.port_write(0, data_idle(s.Data_logic));
    busy_delay(engine, DelayKind::data_off);
}

// The asynchronous reader takes the character on ready; the sprocket rests
// active and the data stay on the lines between characters.
void send_remex(Engine& engine, int c) {
    const PortSettings& s = engine.settings;
    PortAccess& port = engine.port;
    port.port_write(2, ready_on(port.port_read(2), s.Ready_logic));
    busy_delay(engine, DelayKind::sprocket_on);
    port.port_write(2, remex_sprocket_inactive(port.port_read(2), s.Sprocket_logic));
    busy_delay(engine, DelayKind::overlap);
    port.port_write(0, data_idle(s.Data_logic));
    busy_delay(engine, DelayKind::data_on);
    port.port_write(0, data_value(c, s.Data_logic));
    busy_delay(engine, DelayKind::overlap);
    port.port_write(2, remex_sprocket_active(port.port_read(2), s.Sprocket_logic));
    busy_delay(engine, DelayKind::sprocket_on);
    port.port_write(2, ready_off(port.port_read(2), s.Ready_logic));
    busy_delay(engine, DelayKind::data_off);
}

}  // namespace

void send_character(Engine& engine, int code) {
    if (engine.figures != nullptr && engine.clock != nullptr)
        engine.figures->character_started(engine.clock->now());
    if (engine.settings.Remex_async)
        send_remex(engine, code);
    else
        send_normal(engine, code);
}

void BTRsendline(Engine& engine, std::string_view l, bool eob, bool dont_mask) {
    std::optional<std::string> block = prepare_block(engine, l, eob, dont_mask);
    if (!block) return;
    convert_codes(*block, engine.settings.BTRcode);
    send_codes(engine, *block);
}

void send_codes(Engine& engine, std::string_view codes) {
    for (const char c : codes) {
        if (!wait_for_run(engine, OnEdit::Cut)) return;
        send_character(engine, static_cast<unsigned char>(c));
        ++engine.state.run.characters_sent;
    }
    busy_delay(engine, DelayKind::between_blocks);
    if (engine.state.Sending_data == 0) {
        engine.state.Sending_data = 1;
        engine.host.set_stall_timer(false);
        engine.host.set_wait_pointer(true);
    }
}

}  // namespace feedrite
