// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/port_check.h"

// <linux/ppdev.h> uses the _IO macros of <sys/ioctl.h> without including it.
// clang-format off
#include <sys/ioctl.h>
#include <linux/ppdev.h>
// clang-format on

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "btr/port/port_errno.h"

namespace feedrite {
namespace {

// A /proc/devices line names a character driver after its major number: "99 ppdev".
// Block devices follow their own heading and are left out.
std::map<unsigned, std::string> character_drivers(const std::string& devices) {
    std::map<unsigned, std::string> drivers;
    std::istringstream lines(devices);
    std::string line;
    bool character = false;
    while (std::getline(lines, line)) {
        if (line.find(':') != std::string::npos) {
            character = line.starts_with("Character");
            continue;
        }
        std::istringstream words(line);
        unsigned major = 0;
        std::string driver;
        if (character && words >> major >> driver) drivers[major] = driver;
    }
    return drivers;
}

bool lists_driver(const std::map<unsigned, std::string>& drivers, const std::string& name) {
    return std::any_of(drivers.begin(), drivers.end(),
                       [&name](const auto& entry) { return entry.second == name; });
}

// What a character driver's device is, for the drivers a port might be mistaken for.
std::string driver_meaning(const std::string& driver) {
    if (driver == "ttyS" || driver.starts_with("ttyUSB") || driver.starts_with("ttyACM"))
        return "a serial port";
    if (driver == "lp") return "the printer driver's file for a port (/dev/lpN)";
    if (driver == "usb") return "a USB device";
    return "a device of the driver " + driver;
}

// What the path is, said first: only a ppdev device file (or one whose
// driver is not loaded) is worth advice about groups and modules.
std::optional<std::string> not_a_port_file(const PortFacts& f) {
    if (!f.node) return std::nullopt;
    using Kind = DeviceNode::Kind;
    const DeviceNode& node = *f.node;
    const std::string major = std::to_string(node.major);
    std::string what;
    switch (node.kind) {
        case Kind::Missing:
            return std::nullopt;
        case Kind::Character: {
            const auto driver = f.kernel.character_drivers.find(node.major);
            if (driver == f.kernel.character_drivers.end() || driver->second == "ppdev")
                return std::nullopt;
            what = driver_meaning(driver->second) + " (character device, major " + major + ", " +
                   driver->second + ")";
            break;
        }
        case Kind::Regular:
            what = "a plain file";
            break;
        case Kind::Directory:
            what = "a folder";
            break;
        case Kind::Fifo:
            what = "a FIFO (named pipe)";
            break;
        case Kind::Socket:
            what = "a socket";
            break;
        case Kind::Block:
            what = "a block device (major " + major + "), such as a disk";
            break;
        case Kind::Other:
            what = "no device file";
            break;
    }
    return f.device + " is " + what + ", not a parallel port. Give a /dev/parportN file, LPT1 to " +
           "LPT3 or the port's address.";
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
    std::map<unsigned, std::string> drivers = character_drivers(devices);
    return {std::filesystem::is_directory(parport_dir, ec), lists_driver(drivers, "ppdev"),
            lists_driver(drivers, "lp"), std::move(drivers)};
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
    f.node = device.node(f.device);
    if (not_a_port_file(f)) return f;  // never opened: a FIFO would block, a tty would change
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
    if (const auto not_port = not_a_port_file(f)) {
        say.push_back(*not_port);
        return check;
    }
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

void show_port_check(Host& host, const PortCheck& check) {
    host.message_box(findings_text(check), "Port check",
                     check.usable ? MessageIcon::None : MessageIcon::Exclamation,
                     MessageButtons::Ok);
}

void report_port_error(Host& host, const std::string& message, const std::function<void()>& check) {
    if (!check) {
        host.message_box(message, "BTR port error", MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    if (host.message_box(message + "\n\nCheck the port now?", "BTR port error",
                         MessageIcon::Exclamation, MessageButtons::YesNo) == MessageAnswer::Yes)
        check();
}

std::string findings_text(const PortCheck& check) {
    std::string text;
    for (const std::string& finding : check.findings)
        text += (text.empty() ? "" : "\n\n") + finding;
    return text;
}

}  // namespace feedrite
