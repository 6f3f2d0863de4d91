// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/raw_io_port.h"

#include <cerrno>

#include "btr/port/port_errno.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define FEEDRITE_HAS_RAW_IO 1
#endif

namespace feedrite {
namespace {

constexpr int control_offset = 2;
constexpr int reverse_data_bit = 0x20;
constexpr long io_space_end = 0x10000;  // x86 I/O addresses are 16 bits
const char* const use_ppdev = "Use the ppdev port instead (the default, without --raw-io).";

PortError permission_error(std::int32_t base, int err) {
    // ENOSYS: a kernel (or sandbox) without ioperm at all.
    const PortErrorCode code = err == ENOSYS ? PortErrorCode::Unsupported : port_error_code(err);
    const std::string where = "raw I/O at address " + hex_address(base) + " (hex)";
    if (code == PortErrorCode::PermissionDenied)
        return {code, "No permission for " + where +
                          ": it needs root or the capability CAP_SYS_RAWIO. " + use_ppdev};
    return {code, "Cannot get " + where + ": " + errno_text(err) + ". " + use_ppdev};
}

}  // namespace

RawIo system_raw_io() {
#ifdef FEEDRITE_HAS_RAW_IO
    return {[](unsigned long from, unsigned long count, bool on) {
                return ::ioperm(from, count, on ? 1 : 0) == 0 ? 0 : errno;
            },
            [](unsigned short address) { return static_cast<int>(::inb(address)); },
            [](int value, unsigned short address) {
                ::outb(static_cast<unsigned char>(value), address);
            }};
#else
    return {};
#endif
}

RawIoPort::RawIoPort(RawIo io) : io_(std::move(io)) {}

RawIoPort::~RawIoPort() {
    shut();
}

PortError RawIoPort::port_open(std::int32_t base, int count) {
    shut();
    if (!io_.available())
        return {PortErrorCode::Unsupported,
                std::string("Raw port I/O exists on x86 PCs only. ") + use_ppdev};
    if (count < 1 || count > 3)
        return {PortErrorCode::Unsupported,
                "A parallel port has 3 registers, not " + std::to_string(count) + "."};
    if (base <= 0 || base > io_space_end - count)  // no sum that could overflow
        return {PortErrorCode::NotFound,
                "No I/O port at address " + hex_address(base) +
                    " (hex): raw I/O reaches addresses 1 to FFFF (hex). Check the port address "
                    "in the configuration."};
    if (const int err =
            io_.permit(static_cast<unsigned long>(base), static_cast<unsigned long>(count), true))
        return permission_error(base, err);
    base_ = base;
    count_ = count;
    return {};
}

int RawIoPort::port_read(int offset) {
    if (!reaches(offset)) return 0xFF;
    return io_.in(static_cast<unsigned short>(base_ + offset)) & 0xFF;
}

void RawIoPort::port_write(int offset, int value) {
    if (!reaches(offset)) return;
    if (offset == control_offset) value &= ~reverse_data_bit;
    io_.out(value & 0xFF, static_cast<unsigned short>(base_ + offset));
}

bool RawIoPort::reaches(int offset) const {
    return offset >= 0 && offset < count_;
}

void RawIoPort::shut() {
    if (count_ > 0)
        io_.permit(static_cast<unsigned long>(base_), static_cast<unsigned long>(count_), false);
    count_ = 0;
}

}  // namespace feedrite
