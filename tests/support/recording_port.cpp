// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/recording_port.h"

#include <cstdio>

namespace feedrite::testing {

PortError RecordingPort::port_open(std::int32_t base, int count) {
    events.push_back({'o', count, static_cast<double>(base)});
    return open_result;
}

bool RecordingPort::failing() {
    if (fail_at == 0 || ++accesses_ < fail_at) return false;
    if (fault_.ok()) fault_ = {PortErrorCode::Io, "The parallel port failed: Input/output error."};
    return true;
}

int RecordingPort::port_read(int offset) {
    if (failing()) return 0xFF;
    int value = registers.at(static_cast<std::size_t>(offset));
    if (offset == 1 && status) value = status(++status_reads);
    events.push_back({'r', offset, static_cast<double>(value)});
    return value;
}

void RecordingPort::port_write(int offset, int value) {
    if (failing()) return;
    registers.at(static_cast<std::size_t>(offset)) = value & 0xFF;
    events.push_back({'w', offset, static_cast<double>(value & 0xFF)});
}

std::string RecordingPort::writes() const {
    std::string out;
    for (const PortEvent& e : events) {
        if (e.kind != 'w') continue;
        char item[16];
        std::snprintf(item, sizeof item, "%s%d:%02x", out.empty() ? "" : " ", e.offset,
                      static_cast<int>(e.value));
        out += item;
    }
    return out;
}

std::vector<int> RecordingPort::data_writes() const {
    std::vector<int> out;
    for (const PortEvent& e : events)
        if (e.kind == 'w' && e.offset == 0) out.push_back(static_cast<int>(e.value));
    return out;
}

}  // namespace feedrite::testing
