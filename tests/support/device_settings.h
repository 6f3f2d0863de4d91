// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A device's settings file written from named values, for tests that run the
// send driver or the tools.

#include <string>

namespace feedrite::testing {

struct DeviceSettings {
    int port = 0;
    double delay1 = 100, delay2 = 30, delay3 = 10, delay4 = 5, delay5 = 0;
    std::string data_on_ms = "3.33", sprocket_on_ms = "2.2", overlap_ms = ".565", data_off_ms = "0",
                eob_delay_ms = "0";
    double address = 888;
    std::string leader = "%LF", trailer = "%";
    int code = 0, eob = 3;
    std::string reset = "M30", mask, format;
    bool calls = true, mask_comments = false;
    int auto_format = 0;  ///< line 23 as written: any number, not only a box state
    bool data = true, sprocket = true, runstop = true, ready = true, async = false;
    std::string replace, replace_with;
    std::string rapid;  ///< line 32, left out when empty (an older file)

    /// The 31 lines (32 with `rapid`), each ended by CR LF.
    [[nodiscard]] std::string file_text() const;
    /// Writes the file for `device` into `program_dir`.
    void write(const std::string& program_dir, const std::string& device = "(default)") const;
};

}  // namespace feedrite::testing
