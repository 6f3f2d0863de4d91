// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/device_settings.h"

#include "btr/port_start.h"
#include "config/device_timing.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/settings_paths.h"
#include "run/run_report.h"
#include "run/send_driver.h"

namespace feedrite {
namespace {

// What the file said beyond "not set up yet": the line the reader refused,
// or why the file itself could not be read (a folder the user may not read).
std::string settings_cause(const SettingsRead& read, const std::string& settings_file) {
    if (read.bad_line > 0)
        return "Unable to read line " + std::to_string(read.bad_line) + " of " + settings_file +
               "\n";
    if (!read.error.ok() && read.error.code != FileErrorCode::NotFound)
        return "Unable to read " + settings_file + ": " + read.error.reason + "\n";
    return "";
}

}  // namespace

std::optional<PortSettings> read_device_settings(Engine& engine, const std::string& program_dir) {
    PortSettings settings;
    const std::string& device = engine.state.IO_device_name;
    const std::string path = settings_path(program_dir, device);
    const std::string problem = device_name_problem(device);
    const SettingsRead read = problem.empty() ? read_settings_file(path) : SettingsRead{};
    if (read.settings) {
        settings = *read.settings;
        engine.state.useCALLs = read.settings->use_calls;
    }
    // A code without a column, or an end of block nobody can name, would
    // send something else than the settings say.
    if (read.problem != SettingsProblem::Unreadable) {
        const bool code = read.problem == SettingsProblem::UnknownCode;
        const std::string what = code ? "character code" : "end-of-block code";
        const std::string choose = code ? "EIA or ASCII/ISO" : "LF, CR, LF/CR or CR/LF";
        engine.host.message_box("BTR port settings hold the unknown " + what + " " +
                                    std::to_string(read.value) +
                                    ".\nUse BTR/Configure selection to choose " + choose + ".",
                                "BTR port error", MessageIcon::Exclamation, MessageButtons::Ok);
        show_run_report(engine,
                        "Nothing can be sent: the device's settings hold an unknown " + what + ".",
                        "Choose " + choose + " with  feedrite Configure.");
        engine.state.run.phase = RunPhase::NotConfigured;
        return std::nullopt;
    }
    if (!read.settings || !port_is_configured(settings)) {
        const std::string advice =
            problem.empty() ? settings_cause(read, path) + set_up_advice(device, path) : problem;
        engine.host.message_box(
            "BTR port has not been configured.\nUse BTR/Configure selection to define a port.\n" +
                advice,
            "BTR port error", MessageIcon::Exclamation, MessageButtons::Ok);
        engine.state.run.failure = "not configured";
        show_run_report(
            engine, "Nothing can be sent: the BTR port of this device has not been configured.",
            advice, "Close this window, set the device up, then start the program again.");
        engine.state.run.phase = RunPhase::NotConfigured;
        return std::nullopt;
    }
    // Only a guarded engine loses something by it: counts alone are the rule without a clock.
    if (const std::string lines = untimed_lines(settings);
        engine.clock != nullptr && !lines.empty())
        engine.host.message_box("The settings of device " + engine.state.IO_device_name +
                                    " hold no time in " + "milliseconds on " + lines +
                                    ".\nThose delays run on their loop counts alone, " +
                                    "unchecked by the clock, and may be shorter than set.\n" +
                                    "Use BTR/Configure selection to enter the times.",
                                "BTR timing", MessageIcon::Exclamation, MessageButtons::Ok);
    return settings;
}

}  // namespace feedrite
