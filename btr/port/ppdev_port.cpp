// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/ppdev_port.h"

// <linux/ppdev.h> uses the _IO macros of <sys/ioctl.h> without including it.
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include "btr/port/port_errno.h"

namespace feedrite {
namespace {

constexpr int data_offset = 0, status_offset = 1, control_offset = 2;
constexpr int control_power_up_high = 0xC0;
constexpr const char* check_hint = " (feedrite-config --check-port says more.)";

std::string cause(PortErrorCode code, int err) {
    switch (code) {
        case PortErrorCode::PermissionDenied:
            return "permission denied";
        case PortErrorCode::Busy:
            return "another program or driver is using it";
        default:
            return errno_text(err);
    }
}

}  // namespace

PpdevPort::PpdevPort(std::unique_ptr<PpdevDevice> device) : device_(std::move(device)) {}

PpdevPort::~PpdevPort() {
    shut();
}

PortError PpdevPort::port_open(std::int32_t base, int count) {
    shut();
    if (count < 1 || count > 3)
        return {PortErrorCode::Unsupported,
                "A ppdev port has 3 registers, not " + std::to_string(count) + "."};
    const auto entry = find_port(base);
    if (!entry)
        return {PortErrorCode::NotFound,
                "No parallel port at address " + hex_address(base) +
                    " (hex): no /dev/parport device has this base address. Check the port "
                    "address in the configuration. " +
                    port_remedy(PortErrorCode::NotFound) + check_hint};
    if (const int err = device_->open(entry->device)) return fail(err, "open", entry->device, base);
    device_open_ = true;
    // Exclusive first: the claim then fails at once if another driver (lp) has the port.
    int err = device_->ioctl(PPEXCL, nullptr);
    if (err == 0) err = device_->ioctl(PPCLAIM, nullptr);
    if (err != 0) return fail(err, "claim", entry->device, base);
    claimed_ = true;
    count_ = count;
    device_name_ = entry->device;
    base_ = base;
    fault_ = {};
    control_high_ = control_power_up_high;
    return {};
}

int PpdevPort::port_read(int offset) {
    if (!claimed_ || offset < 0 || offset >= count_) return 0xFF;
    switch (offset) {
        case data_offset:
            return read_byte(PPRDATA).value_or(0xFF);
        case status_offset:
            return read_byte(PPRSTATUS).value_or(0xFF);
        default: {
            const auto low = read_byte(PPRCONTROL);
            return low ? (*low & 0x0F) | control_high_ : 0xFF;
        }
    }
}

void PpdevPort::port_write(int offset, int value) {
    if (!claimed_ || offset < 0 || offset >= count_) return;
    if (offset == data_offset) write_byte(PPWDATA, value);
    if (offset != control_offset) return;  // the status register is input only
    control_high_ = value & 0xF0;
    write_byte(PPWCONTROL, value & 0x0F);
}

std::optional<ParportEntry> PpdevPort::find_port(std::int32_t base) {
    for (const auto& entry : device_->ports())
        if (entry.base == base) return entry;
    return std::nullopt;
}

PortError PpdevPort::fail(int err, const std::string& step, const std::string& device,
                          std::int32_t base) {
    shut();
    // The port is listed, so a claim refused with ENXIO means another driver
    // (lp) has registered on it: ppdev then cannot register exclusively.
    const PortErrorCode code =
        step == "claim" && err == ENXIO ? PortErrorCode::Busy : port_error_code(err);
    return {code, "Cannot " + step + " " + device + " (parallel port at " + hex_address(base) +
                      " hex): " + cause(code, err) + ". " + port_remedy(code) + check_hint};
}

// A failed read gives 0xFF, as a missing port would, and is kept as the fault.
std::optional<int> PpdevPort::read_byte(unsigned long request) {
    unsigned char value = 0;
    if (const int err = device_->ioctl(request, &value); err != 0) {
        note_fault(err);
        return std::nullopt;
    }
    return value;
}

// Still tried after a fault: the lines may yet be put at rest.
void PpdevPort::write_byte(unsigned long request, int value) {
    auto byte = static_cast<unsigned char>(value);
    if (const int err = device_->ioctl(request, &byte); err != 0) note_fault(err);
}

void PpdevPort::note_fault(int err) {
    if (!fault_.ok()) return;  // the first one says what happened
    const PortErrorCode code = port_error_code(err);
    fault_ = {code == PortErrorCode::None ? PortErrorCode::Io : code,
              "The parallel port " + device_name_ + " (at " + hex_address(base_) +
                  " hex) failed during the run: " + errno_text(err) +
                  ". Check the cable and the port card, then start again."};
}

void PpdevPort::shut() {
    if (claimed_) device_->ioctl(PPRELEASE, nullptr);
    if (device_open_) device_->close();
    claimed_ = false;
    device_open_ = false;
    count_ = 0;
}

}  // namespace feedrite
