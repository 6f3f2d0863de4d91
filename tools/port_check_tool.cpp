// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/port_check_tool.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

#include "base/program_dir.h"
#include "config/config_model.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"

namespace feedrite {
namespace {

struct CheckOptions {
    std::string port, device = default_device_name, program_dir, error;
};

CheckOptions parse(const std::vector<std::string>& args) {
    CheckOptions o;
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& word = args[i];
        const bool has_value = i + 1 < args.size();
        if (word == "--check-port") {
            if (has_value && args[i + 1].rfind("--", 0) != 0) o.port = args[++i];
        } else if ((word == "--device" || word == "--program-dir") && has_value) {
            (word == "--device" ? o.device : o.program_dir) = args[++i];
        } else {
            o.error =
                "--check-port takes only PORT, --device NAME and --program-dir DIR, not " + word;
        }
    }
    return o;
}

// LPT1 to LPT4 at the addresses the dialog's port list gives them, as --port takes them.
std::optional<PortTarget> target_named(const std::string& port, Host& host) {
    if (port.rfind('/', 0) == 0) return PortTarget{port, 0, 0};
    if (const std::optional<int> index = lpt_index_named(port)) {
        ConfigModel model(host);
        model.choose_port(*index);
        return PortTarget{"", static_cast<std::int32_t>(std::lround(model.address)), 0};
    }
    if (const auto address = typed_port_address(port)) return PortTarget{"", *address, 0};
    return std::nullopt;
}

// The configured device's address; 0 when it is not set up.
std::int32_t device_address(const CheckOptions& o) {
    const std::string dir = resolve_program_dir(o.program_dir);
    const SettingsRead read = read_settings_file(settings_path(dir, o.device));
    return read.settings ? read.settings->BTRaddress : 0;
}

}  // namespace

bool asks_port_check(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "--check-port") != args.end();
}

int run_port_check(const std::vector<std::string>& args, Host& host, PpdevDevice& device,
                   const KernelFacts& kernel, std::ostream& out, std::ostream& errors) {
    const CheckOptions o = parse(args);
    std::optional<PortTarget> target = o.port.empty() ? PortTarget{} : target_named(o.port, host);
    std::string error = o.error;
    if (error.empty() && !target)
        error = "--check-port takes LPT1 to LPT4, a hexadecimal address or a device file, not " +
                o.port;
    if (!error.empty()) {
        errors << "feedrite-config: " << error << '\n';
        return 2;
    }
    target->device_base = device_address(o);
    if (o.port.empty()) target->base = target->device_base;
    // A device not set up yet: the first port the kernel knows is the likely one.
    if (o.port.empty() && target->base == 0) {
        errors << "The device " << o.device << " is not set up: checking the first port found.\n";
        if (const auto ports = device.ports(); !ports.empty())
            target->device = ports.front().device;
    }
    const PortCheck check = diagnose_port(probe_port(device, kernel, *target));
    for (const std::string& finding : check.findings) out << finding << '\n';
    return check.usable ? 0 : 1;
}

}  // namespace feedrite
