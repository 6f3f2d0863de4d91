// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place that picks a port backend: once, before the port is opened.

#include <memory>

#include "btr/port/port_access.h"
#include "config/port_settings.h"

namespace feedrite {

/// `VirtualHeld`: the virtual port whose control starts in Feed hold.
enum class PortKind { Ppdev, RawIo, Virtual, VirtualHeld };

[[nodiscard]] constexpr bool is_virtual(PortKind kind) {
    return kind == PortKind::Virtual || kind == PortKind::VirtualHeld;
}

/// The backend the command line asks for: `--simulate` (held with `--hold`)
/// wins over `--raw-io`; the ppdev port otherwise.
[[nodiscard]] PortKind port_kind_for(bool simulate, bool raw_io, bool hold = false);

/// A new, unopened port of `kind`. The virtual port comes with a virtual
/// control on its cable, wired as the finished record `device` expects (it
/// must outlive the port); hardware ports ignore it.
[[nodiscard]] std::unique_ptr<PortAccess> make_port(PortKind kind, const PortSettings& device);

}  // namespace feedrite
