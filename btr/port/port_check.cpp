// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/port_check.h"

// <linux/ppdev.h> uses the _IO macros of <sys/ioctl.h> without including it.
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "btr/port/port_errno.h"

namespace feedrite {
namespace {

// A /proc/devices line names a character driver after its major number: "99 ppdev".
bool lists_driver(const std::string& devices, const std::string& name) {
    std::istringstream lines(devices);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string major, driver;
        if (words >> major >> driver && driver == name) return true;
    }
    return false;
}

std::string named(const PortFacts& f) {
    return f.device + (f.base ? " (at " + hex_address(*f.base) + " hex)" : std::string());
}

std::string modules_missing(const KernelFacts& k) {
    std::string missing;
    if (!k.parport) missing = "parport_pc";
    if (!k.ppdev) missing += (missing.empty() ? "" : " and ") + std::string("ppdev");
    return missing.empty() ? ""
                           : " The module" + std::string(k.parport || k.ppdev ? " " : "s ") +
                                 missing + (k.parport || k.ppdev ? " is" : " are") + " not loaded.";
}

std::string no_port_found(const PortFacts& f) {
    if (f.ports.empty())
        return "The kernel knows no parallel port." + modules_missing(f.kernel) + " Load them (" +
               load_modules_command() +
               "); if the kernel still lists none, this "
               "PC has no parallel port or it is switched off in the BIOS setup.";
    std::string known;
    for (const ParportEntry& p : f.ports)
        known += (known.empty() ? "" : ", ") + p.device + " at " + hex_address(p.base) + " hex";
    return "No parallel port at address " + hex_address(f.target.base) +
           " hex; the kernel's ports: " + known + ". Choose one of them in the configuration.";
}

std::string open_failed(const PortFacts& f) {
    switch (f.open_errno) {
        case ENOENT:
            return "There is no device file " + f.device + "." + modules_missing(f.kernel) +
                   " Load the modules parport_pc and ppdev (" + load_modules_command() +
                   "); "
                   "without parport_pc the kernel finds no port, without ppdev there is no file.";
        case ENXIO:
        case ENODEV:
            return "No driver answers on " + f.device + "." + modules_missing(f.kernel) +
                   " Load the modules parport_pc and ppdev (" + load_modules_command() +
                   "), or "
                   "choose a port the kernel lists.";
        case EACCES:
        case EPERM:
            return "Permission denied on " + f.device + ". " +
                   port_remedy(PortErrorCode::PermissionDenied);
        default:
            return "Cannot open " + f.device + ": " + errno_text(f.open_errno) + ". " +
                   port_remedy(PortErrorCode::Io);
    }
}

std::string claim_failed(const PortFacts& f) {
    switch (f.claim_errno) {
        case ENOTTY:
        case EINVAL:
            return f.device +
                   " is not a parallel port: it does not answer as ppdev does. "
                   "Give a /dev/parportN file, LPT1 to LPT4 or the port's address.";
        case ENXIO:
            // A listed port refusing the exclusive claim: another driver registered on it.
            if (!f.base && !f.kernel.lp)
                return "No port stands behind " + f.device + ". " +
                       port_remedy(PortErrorCode::NotFound);
            [[fallthrough]];
        case EBUSY:
            return "Another driver holds " + named(f) +
                   (f.kernel.lp ? ": the printer driver lp is loaded. " : ". ") +
                   port_remedy(PortErrorCode::Busy);
        default:
            return "Cannot claim " + named(f) + ": " + errno_text(f.claim_errno) + ". " +
                   port_remedy(PortErrorCode::Io);
    }
}

// Status bits 3 to 7 are pins 15, 13, 12, 10 and 11; bit 7 arrives through
// the port's inverter, so pin 11 is high when the bit is 0.
std::string status_pins(int status) {
    const auto level = [](bool high) { return high ? std::string("high") : std::string("low"); };
    return "Status register " + hex_address(status) + " hex read once: pin 10 " +
           level(status & 0x40) + ", pin 11 (the run/stop input) " + level(!(status & 0x80)) +
           ", pin 12 " + level(status & 0x20) + ", pin 13 " + level(status & 0x10) + ", pin 15 " +
           level(status & 0x08) + ".";
}

}  // namespace

KernelFacts read_kernel_facts(const std::string& proc_devices, const std::string& parport_dir) {
    std::ifstream in(proc_devices);
    const std::string devices{std::istreambuf_iterator<char>(in), {}};
    std::error_code ec;
    return {std::filesystem::is_directory(parport_dir, ec), lists_driver(devices, "ppdev"),
            lists_driver(devices, "lp")};
}

PortFacts probe_port(PpdevDevice& device, const KernelFacts& kernel, const PortTarget& target) {
    PortFacts f;
    f.kernel = kernel;
    f.ports = device.ports();
    f.target = target;
    for (const ParportEntry& p : f.ports)
        if (target.device.empty() ? p.base == target.base : p.device == target.device) {
            f.device = p.device;
            f.base = p.base;
        }
    if (!target.device.empty()) f.device = target.device;
    if (f.device.empty()) return f;
    if ((f.open_errno = device.open(f.device)) != 0) return f;
    f.claim_errno = device.ioctl(PPEXCL, nullptr);
    if (f.claim_errno == 0) f.claim_errno = device.ioctl(PPCLAIM, nullptr);
    if (f.claim_errno == 0) {
        unsigned char status = 0;
        f.read_errno = device.ioctl(PPRSTATUS, &status);
        if (f.read_errno == 0) f.status = status;
        device.ioctl(PPRELEASE, nullptr);
    }
    device.close();
    return f;
}

PortCheck diagnose_port(const PortFacts& f) {
    PortCheck check;
    auto& say = check.findings;
    if (f.device.empty()) {
        say.push_back(no_port_found(f));
        return check;
    }
    say.push_back("Checking " + named(f) + ".");
    if (f.base && f.target.device_base != 0 && *f.base != f.target.device_base)
        say.push_back("The device is set to address " + hex_address(f.target.device_base) +
                      " hex, this port is at " + hex_address(*f.base) +
                      " hex: choose this port's address in the configuration.");
    if (f.open_errno != 0) {
        say.push_back(open_failed(f));
        return check;
    }
    if (f.claim_errno != 0) {
        say.push_back(claim_failed(f));
        return check;
    }
    if (f.read_errno != 0 || !f.status) {
        say.push_back("The port was claimed but reading it failed: " + errno_text(f.read_errno) +
                      ". " + port_remedy(PortErrorCode::Io));
        return check;
    }
    say.push_back("The port can be claimed and read. " + status_pins(*f.status));
    check.usable = true;
    return check;
}

PortCheck held_port_check(std::int32_t base, int status, const PortError& fault) {
    PortCheck check;
    check.findings.push_back("This program holds the port at " + hex_address(base) +
                             " hex: it was claimed when the dialog opened.");
    check.usable = fault.ok();
    check.findings.push_back(check.usable ? "The port can be read. " + status_pins(status)
                                          : fault.message);
    return check;
}

PortCheck check_system_port(std::int32_t base) {
    return diagnose_port(
        probe_port(*make_system_ppdev_device(), read_kernel_facts(), {"", base, base}));
}

std::string findings_text(const PortCheck& check) {
    std::string text;
    for (const std::string& finding : check.findings)
        text += (text.empty() ? "" : "\n\n") + finding;
    return text;
}

}  // namespace feedrite
