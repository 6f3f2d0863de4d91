// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the hardware backends: errno to a port error code, and the way a
// message names a port address.

#include <cerrno>
#include <cstdint>
#include <string>

#include "btr/port/port_access.h"

namespace feedrite {

/// ENOENT, ENODEV, ENXIO -> NotFound; EACCES, EPERM -> PermissionDenied;
/// EBUSY -> Busy; anything else -> Io.
[[nodiscard]] PortErrorCode port_error_code(int err);

/// What the user can do about an open failing with `code`: one or two
/// sentences, shared by the port's error message and the port check.
[[nodiscard]] std::string port_remedy(PortErrorCode code);

/// The command that loads the port's modules, as the user is told to type it:
/// `-a` makes modprobe take every word as a module (without it, the second
/// module would be a parameter of the first and never load).
[[nodiscard]] std::string load_modules_command();

/// The address as the configuration dialog shows it: upper-case hex, no prefix.
[[nodiscard]] std::string hex_address(std::int32_t base);

/// The system's short text for errno `err`, in lower case ("no such device").
[[nodiscard]] std::string errno_text(int err);

/// Makes a system call (-1 and errno on failure) again while a signal
/// interrupts it: that is no failure of the port. Its result, errno as it left.
template <class Call>
auto retry_on_eintr(Call call) {
    decltype(call()) result;
    do result = call();
    while (result == -1 && errno == EINTR);
    return result;
}

}  // namespace feedrite
