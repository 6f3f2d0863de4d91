// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/tracing_port.h"

#include <cmath>
#include <cstdio>

namespace feedrite {

TracingPort::TracingPort(PortAccess& inner, std::ostream& out) : inner_(inner), out_(out) {}

PortError TracingPort::port_open(std::int32_t base, int count) {
    char text[48];
    std::snprintf(text, sizeof text, "open %d %d", static_cast<int>(base), count);
    line(text);
    return inner_.port_open(base, count);
}

int TracingPort::port_read(int offset) {
    const int value = inner_.port_read(offset);
    char text[32];
    std::snprintf(text, sizeof text, "read %d %02x", offset, static_cast<unsigned>(value) & 0xFF);
    line(text);
    return value;
}

void TracingPort::port_write(int offset, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "write %d %02x", offset, static_cast<unsigned>(value) & 0xFF);
    line(text);
    inner_.port_write(offset, value);
}

void TracingPort::on_delay(double count) {
    char text[48];
    std::snprintf(text, sizeof text, "delay %.0f", delay_passes(count));
    line(text);
}

// The delay loop runs while its whole-number counter is below the count, so a
// fractional count makes one more pass; zero, negative and NaN make none.
double TracingPort::delay_passes(double count) {
    return count > 0 ? std::ceil(count) : 0;
}

// Written with snprintf, not stream manipulators, so the caller's stream flags stay as they were.
void TracingPort::line(const char* text) {
    out_ << text << '\n';
}

}  // namespace feedrite
