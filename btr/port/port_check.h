// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port check: what stands between the user and a parallel port, each
// finding with its fix. The facts are gathered through PpdevDevice and the
// kernel's files; the diagnosis over them is a pure function.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "btr/port/port_access.h"
#include "btr/port/ppdev_device.h"
#include "core/host.h"

namespace feedrite {

/// Which drivers the kernel has, read from its files.
struct KernelFacts {
    bool parport = false;  ///< the parport core: /proc/sys/dev/parport exists
    bool ppdev = false;    ///< /proc/devices lists ppdev
    bool lp = false;       ///< /proc/devices lists lp, the printer driver that claims every port
    std::map<unsigned, std::string> character_drivers =
        {};  ///< by major number, from /proc/devices
};

/// Reads the kernel's facts; the paths are parameters for the tests.
[[nodiscard]] KernelFacts read_kernel_facts(
    const std::string& proc_devices = "/proc/devices",
    const std::string& parport_dir = "/proc/sys/dev/parport");

/// The port to check: a device file, or else the port at `base`.
struct PortTarget {
    std::string device;            ///< a path such as /dev/parport0; empty: found by `base`
    std::int32_t base = 0;         ///< the address asked for
    std::int32_t device_base = 0;  ///< the configured device's address, 0 when unknown
};

/// What one attempt on the port saw: errno values, 0 where a step worked or was not reached.
struct PortFacts {
    KernelFacts kernel;
    std::vector<ParportEntry> ports;
    PortTarget target;
    std::string device;                ///< the device file tried; empty when none was found
    std::optional<std::int32_t> base;  ///< that file's address, when the kernel lists it
    std::optional<DeviceNode> node;    ///< what that file is, when known
    int open_errno = 0;
    int claim_errno = 0;  ///< of the exclusive claim
    int read_errno = 0;
    std::optional<int> status;  ///< the status register, read once after the claim
};

/// Opens the target, claims it exclusively, reads the status register once
/// and releases it. Writes nothing to the port.
[[nodiscard]] PortFacts probe_port(PpdevDevice& device, const KernelFacts& kernel,
                                   const PortTarget& target);

struct PortCheck {
    bool usable = false;                ///< the port could be claimed and read
    std::vector<std::string> findings;  ///< one or two sentences each, the fix included
};

[[nodiscard]] PortCheck diagnose_port(const PortFacts& facts);

/// The check of a port this program holds already, read through that claim:
/// a second claim would be refused as if another driver held the port.
/// `status` is the status register read once, `fault` the port's fault.
[[nodiscard]] PortCheck held_port_check(std::int32_t base, int status, const PortError& fault);

/// The check of the ppdev port at `base` on this machine, as the device that
/// uses that address would see it.
[[nodiscard]] PortCheck check_system_port(std::int32_t base);

/// The findings one paragraph each, as a message box shows them.
[[nodiscard]] std::string findings_text(const PortCheck& check);

/// Shows the findings in the "Port check" box.
void show_port_check(Host& host, const PortCheck& check);

/// Says a port that would not open in the "BTR port error" box; with `check`
/// (a hardware port) the box asks "Check the port now?" and Yes runs it.
void report_port_error(Host& host, const std::string& message, const std::function<void()>& check);

}  // namespace feedrite
