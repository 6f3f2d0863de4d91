// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/device_settings.h"

#include <stdexcept>

#include "base/file_io.h"
#include "base/number_text.h"
#include "config/settings_paths.h"

namespace feedrite::testing {

std::string DeviceSettings::file_text() const {
    const auto flag = [](bool on) { return format_number(on ? 1 : 0); };
    const auto printed = [](bool on) { return format_printed_integer(on ? 1 : 0); };
    std::vector<std::string> lines = {
        format_number(port),
        format_number(delay1),
        format_number(delay2),
        format_number(delay3),
        format_number(delay4),
        format_number(delay5),
        data_on_ms,
        sprocket_on_ms,
        overlap_ms,
        data_off_ms,
        format_number(address),
        leader,
        trailer,
        format_number(code),
        format_number(eob),
        " 300",
        eob_delay_ms,
        reset,
        mask,
        format,
        flag(calls),
        flag(mask_comments),
        format_number(auto_format),
        printed(data),
        printed(sprocket),
        printed(runstop),
        printed(ready),
        printed(async),
        replace,
        replace_with,
        printed(false),
    };
    if (!rapid.empty()) lines.push_back(rapid);
    return join_lines_crlf(lines);
}

void DeviceSettings::write(const std::string& program_dir, const std::string& device) const {
    if (!write_file_atomic(settings_path(program_dir, device), file_text()).ok())
        throw std::runtime_error("cannot write the settings file");
}

}  // namespace feedrite::testing
