// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The only way the engine touches a parallel port: three byte registers from a
// base address (0 data, 1 status, 2 control), addressed by offset.
// Backends (one per file): the kernel's ppdev port, raw I/O, the virtual port;
// make_port (port_factory.h) picks one, once, before the port is opened.

#include <cstdint>
#include <string>
#include <typeinfo>

namespace feedrite {

/// Why a port could not be opened, as a small closed set the window can act on.
enum class PortErrorCode { None, NotFound, PermissionDenied, Busy, Io, Unsupported };

struct PortError {
    PortErrorCode code = PortErrorCode::None;
    std::string message;  ///< one line for the user, naming the port and the cause

    [[nodiscard]] bool ok() const { return code == PortErrorCode::None; }
};

class PortAccess {
  public:
    virtual ~PortAccess() = default;

    /// Opens the port at I/O address `base` with `count` registers and makes it
    /// this program's own. On failure nothing has been written to the port and
    /// later reads and writes do nothing (reads give 0xFF).
    virtual PortError port_open(std::int32_t base, int count) = 0;

    /// The raw register value (0..255) at base + offset, as the hardware holds it.
    virtual int port_read(int offset) = 0;

    /// Puts the low byte of `value` on the register at base + offset at once.
    virtual void port_write(int offset, int value) = 0;

    /// The first read or write that failed since the open, kept as a hardware
    /// driver keeps its io_error flag: once set, no value read is a signal (a
    /// failed read gives 0xFF, which looks like a stopped control). Ok for a
    /// backend whose accesses cannot fail.
    [[nodiscard]] virtual PortError fault() const { return {}; }

    /// What the backend can do beyond the three registers (a virtual control
    /// on its cable, say), asked by the interface that offers it: nullptr
    /// when this backend offers none. Nobody casts a port to its backend.
    template <class Capability>
    [[nodiscard]] Capability* capability() {
        return static_cast<Capability*>(find_capability(typeid(Capability)));
    }

    /// The backend's object for `interface`, as that interface; nullptr for
    /// none. Asked through capability(); a port that forwards passes it on.
    [[nodiscard]] virtual void* find_capability(const std::type_info& interface) {
        (void)interface;
        return nullptr;
    }
};

}  // namespace feedrite
