// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/port_errno.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace feedrite {

PortErrorCode port_error_code(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortErrorCode::NotFound;
        case EACCES:
        case EPERM:
            return PortErrorCode::PermissionDenied;
        case EBUSY:
            return PortErrorCode::Busy;
        default:
            return PortErrorCode::Io;
    }
}

std::string port_remedy(PortErrorCode code) {
    switch (code) {
        case PortErrorCode::PermissionDenied:
            return "Add your user to the group lp (sudo usermod -aG lp $USER) and log in again: "
                   "systemd gives /dev/parport* to that group. A USB \"parallel\" printer cable "
                   "cannot drive a tape reader's lines.";
        case PortErrorCode::Busy:
            // The printer stack loads lp at boot, and lp holds every port it finds.
            return "Unload the printer driver (sudo modprobe -r lp) or close the program using "
                   "the port; to keep lp from loading at boot, put a line \"blacklist lp\" in a "
                   "file in /etc/modprobe.d/.";
        case PortErrorCode::NotFound:
            return "Check that the modules parport_pc and ppdev are loaded (" +
                   load_modules_command() + "), and that this PC has the port.";
        default:
            return "Check the port in the system's log (sudo dmesg).";
    }
}

std::string load_modules_command() {
    return "sudo modprobe -a parport_pc ppdev";
}

std::string hex_address(std::int32_t base) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(base));
    return text;
}

std::string errno_text(int err) {
    std::string text = std::generic_category().message(err);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace feedrite
