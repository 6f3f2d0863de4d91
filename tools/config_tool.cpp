// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/config_tool.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>

#include "base/number_text.h"
#include "base/program_dir.h"
#include "btr/speed_test.h"
#include "config/apply_steps.h"
#include "config/calibration.h"
#include "config/config_model.h"
#include "config/device_list.h"
#include "config/entry_rules.h"
#include "config/port_settings_reader.h"
#include "config/presets.h"
#include "config/settings_loader.h"
#include "config/settings_paths.h"
#include "config/settings_table.h"
#include "tools/option_table.h"
#include "tools/report_setup.h"

namespace feedrite {
namespace {

struct ConfigOptions : CommonOptions {
    std::string device = default_device_name;
    std::optional<Preset> preset;
    std::optional<int> port;  ///< LPT_lst index
    std::string address;      ///< hexadecimal, for "Other!"
    // Each time option sets one text box of the dialog.
    std::vector<std::pair<std::string ConfigModel::*, std::string>> times;
    bool calibrate = false, quick = false, show = false;
    bool ten_seconds = false;  ///< --calibrate itself, which --quick excludes
    ReportOptions report;
    std::string error;

    [[nodiscard]] bool changes() const {
        return preset || port || !address.empty() || !times.empty();
    }
};

using Value = std::optional<std::string>;

template <std::string ConfigModel::*box>
std::string set_time(ConfigOptions& o, const Value& value) {
    o.times.emplace_back(box, *value);
    return is_millisecond_text(*value, true)
               ? std::string()
               : "times are milliseconds: digits with at most one \".\", not \"" + *value + '"';
}

std::string set_flag(bool& flag) {
    flag = true;
    return {};
}

// One row per option; the time options set the dialog's boxes in the order given.
constexpr OptionRow<ConfigOptions> own_options[] = {
    {{"--calibrate"},
     [](ConfigOptions& o, const Value&) {
         o.ten_seconds = true;
         return set_flag(o.calibrate);
     }},
    {{"--quick"},
     [](ConfigOptions& o, const Value&) {
         o.calibrate = true;
         return set_flag(o.quick);
     }},
    {{"--show"}, [](ConfigOptions& o, const Value&) { return set_flag(o.show); }},
    {{"--device", OptionValue::Required, "a name"},
     [](ConfigOptions& o, const Value& name) {
         o.device = *name;
         const std::string problem = device_name_problem(o.device);
         return problem.empty() ? problem : "--device: " + problem;
     }},
    {{"--preset", OptionValue::Required, "fanuc, yasnac or pw"},
     [](ConfigOptions& o, const Value& name) {
         o.preset = preset_named(*name);
         return o.preset ? std::string() : std::string("--preset takes fanuc, yasnac or pw");
     }},
    {{"--port", OptionValue::Required, "LPT1 to LPT4"},
     [](ConfigOptions& o, const Value& name) {
         o.port = lpt_index_named(*name);
         return o.port ? std::string() : std::string("--port takes LPT1, LPT2, LPT3 or LPT4");
     }},
    {{"--address", OptionValue::Required, "a hexadecimal address"},
     [](ConfigOptions& o, const Value& text) {
         o.address = *text;
         return typed_port_address(o.address) ? std::string()
                                              : "--address: " + typed_address_rule();
     }},
    {{"--data-on", OptionValue::Required, "MS"}, set_time<&ConfigModel::Data_on_txt>},
    {{"--sprocket-on", OptionValue::Required, "MS"}, set_time<&ConfigModel::Sprocket_on_txt>},
    {{"--overlap", OptionValue::Required, "MS"}, set_time<&ConfigModel::Sprocket_overlap_txt>},
    {{"--data-off", OptionValue::Required, "MS"}, set_time<&ConfigModel::Data_off_txt>},
    {{"--block-delay", OptionValue::Required, "MS"}, set_time<&ConfigModel::EOB_delay_txt>},
    {{"--rapid", OptionValue::Required, "MM_PER_MIN"},
     [](ConfigOptions& o, const Value& value) {
         o.times.emplace_back(&ConfigModel::Rapid_rate_txt, *value);
         return rapid_rate_of(*value) ? std::string()
                                      : "--rapid takes mm/min: a number above 0 with at most "
                                        "one \".\", not \"" +
                                            *value + '"';
     }},
    {{"--mqtt", OptionValue::Required, "HOST[:PORT]"},
     [](ConfigOptions& o, const Value& text) { return take_mqtt_address(o.report, *text); }},
    {{"--mqtt-ca", OptionValue::Required, "a CA file"},
     [](ConfigOptions& o, const Value& file) {
         o.report.ca_file = *file;
         return std::string();
     }},
    {{"--mqtt-user", OptionValue::Required, "a user name"},
     [](ConfigOptions& o, const Value& name) {
         o.report.user = *name;
         return std::string();
     }},
    {{"--mqtt-password-file", OptionValue::Required, "a file"},
     [](ConfigOptions& o, const Value& file) {
         o.report.password_file = *file;
         return std::string();
     }},
    {{"--mqtt-prefix", OptionValue::Required, "a topic prefix"},
     [](ConfigOptions& o, const Value& text) { return take_prefix(o.report, *text); }},
    {{"--no-mqtt"}, [](ConfigOptions& o, const Value&) { return set_flag(o.report.no_mqtt); }},
    {{"--check-mqtt"}, [](ConfigOptions& o, const Value&) { return set_flag(o.report.check); }},
    {{"--shdr", OptionValue::Optional, "a port",
      [](std::string_view next) {
          return !next.empty() && next.find_first_not_of("0123456789") == std::string_view::npos;
      }},
     [](ConfigOptions& o, const Value& port) { return take_shdr_port(o.report, port); }},
    {{"--no-shdr"}, [](ConfigOptions& o, const Value&) { return set_flag(o.report.no_shdr); }},
};
constexpr auto config_options = with_common_rows(own_options);

ConfigOptions parse_config_options(const std::vector<std::string>& args) {
    ConfigOptions options;
    const std::vector<std::string> words =
        read_options<ConfigOptions>(config_options, args, options, options.error);
    if (options.error.empty() && !words.empty()) options.error = "unexpected word " + words.front();
    if (options.error.empty() && options.port && !options.address.empty())
        options.error = "--port and --address exclude each other";
    if (options.error.empty() && options.quick && options.ten_seconds)
        options.error =
            "--quick and --calibrate exclude each other: the 1-second or the 10-second speed test";
    if (options.error.empty() && options.changes() && !options.calibrate)
        options.error =
            "changed settings need --calibrate or --quick: the loop counts come from the speed "
            "test";
    if (options.error.empty() && options.report.no_mqtt && options.report.host)
        options.error = "--mqtt and --no-mqtt exclude each other";
    if (options.error.empty() && options.report.no_shdr && options.report.shdr_port)
        options.error = "--shdr and --no-shdr exclude each other";
    if (options.error.empty() && !options.help && !options.version && !options.changes() &&
        !options.calibrate && !options.show && !options.report.any())
        options.error = "nothing to do";
    return options;
}

// Latin-1 letters compared without case, as the dialog's device list does.
unsigned char folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return u + 0x20;
    return u;
}

std::optional<std::size_t> listed_index(const ConfigModel& model, const std::string& name) {
    for (std::size_t i = 0; i < model.IO_device_lst.size(); ++i) {
        const std::string& entry = model.IO_device_lst[i];
        if (entry.size() == name.size() &&
            std::equal(entry.begin(), entry.end(), name.begin(),
                       [](char a, char b) { return folded(a) == folded(b); }))
            return i;
    }
    return std::nullopt;
}

// Numbers as the settings file writes them, without the sign's blank.
std::string number(double value) {
    std::string text = format_number(value);
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

std::string quoted(const std::string& text) {
    return '"' + text + '"';
}

const char* yes_no(bool on) {
    return on ? "yes" : "no";
}

// The lines --show prints, in its order, by their rows: a time shows its loop
// count beside it, the port its address, the first polarity all four and
// Replace its replacement.
constexpr const char* shown_rows[] = {"Port",          "Code",
                                      "End of block",  "Data on",
                                      "Sprocket on",   "Overlap",
                                      "Data off",      "Block delay",
                                      "Speed",         "Rapid traverse",
                                      "Data polarity", "Async",
                                      "Leader",        "Trailer",
                                      "Reset on",      "Mask",
                                      "Format",        "CALL sub files",
                                      "Mask comments", "Auto format",
                                      "Replace",       "Spool from file",
                                      "Read ahead",    "Wait mark",
                                      "Lathe per rev", "Acceleration"};

// One row's value as --show words it, from the finished record and the line.
std::string shown(const SettingsRow& row, const SettingsRead& read) {
    const PortSettings& s = *read.settings;
    const auto text = [&read](const char* name) {
        return read.values[static_cast<std::size_t>(row_named(name)->line - 1)];
    };
    const std::string& value = read.values[static_cast<std::size_t>(row.line - 1)];
    const auto on = [](bool yes) { return std::string(yes ? "positive" : "negative"); };
    switch (row.kind) {
        case LineKind::Port:
            return LPT_items[static_cast<std::size_t>(s.BTRportnumber - 1)] +
                   std::string(", address ") +
                   address_hex(static_cast<float>(read_number_or_zero(text("Address"))));
        case LineKind::Code: {
            const char* names[] = {"ASCII/ISO", "ASCII/ISO odd parity", "ASCII 7 bits",
                                   "EIA RS244"};
            return names[s.BTRcode];
        }
        case LineKind::Eob: {
            const char* names[] = {"LF", "CR", "LF/CR", "CR/LF"};
            return s.BTRcode == EIA_RS244
                       ? "EIA end of block"
                       : names[round_to_int16(read_number_or_zero(value)).value_or(0)];
        }
        case LineKind::Time:
            return (value.empty() ? std::string("0") : value) + " ms (" +
                   number(s.count(row.delay)) + " loops)";
        case LineKind::Speed:
            return s.speed_cps
                       ? number(*s.speed_cps) + " characters per second"
                       : "none: line " + std::to_string(row.line) + " starts with no number";
        case LineKind::Rapid:
            return number(s.rapid_mm_per_min) + " mm/min";
        case LineKind::Blocks:
            return number(s.read_ahead_blocks) + (s.read_ahead_blocks == 1 ? " block" : " blocks");
        case LineKind::Seconds:
            return number(s.wait_mark_s) + " s";
        case LineKind::Axes: {
            if (s.acceleration == std::array<double, 3>{})
                return "not known: machining times leave acceleration out";
            std::string axes;
            for (std::size_t i = 0; i < 3; ++i)
                axes += std::string(i == 0 ? "" : ", ") + "XYZ"[i] + " " +
                        (s.acceleration[i] > 0 ? number(s.acceleration[i]) : "not known");
            return axes + " mm/s^2";
        }
        case LineKind::Switch:
            if (row.name != std::string_view("Data polarity")) return yes_no(s.*row.flag);
            return "data " + on(s.Data_logic) + ", sprocket " + on(s.Sprocket_logic) +
                   ", run/stop " + on(s.RunStop_logic) + ", ready " + on(s.Ready_logic);
        case LineKind::Flag:
            return yes_no(s.*row.flag);
        case LineKind::Format: {
            // Line 23 other than 0 or 1: the box is clear, yet the sender keeps the format.
            const bool box = read_number_or_zero(value) == 1;
            return yes_no(box) + std::string(s.format_applied && !box
                                                 ? " (line 23 is not 0: sending applies the "
                                                   "format string)"
                                                 : "");
        }
        case LineKind::Text:
            return quoted(value) + (row.name == std::string_view("Replace")
                                        ? " with " + quoted(text("Replace with"))
                                        : "");
        case LineKind::Count:
        case LineKind::Address:
            break;
    }
    return value;
}

void show_settings(const std::string& device, const std::string& path, std::ostream& out) {
    const auto line = [&out](const char* name, const std::string& value) {
        out << name << std::string(18 - std::char_traits<char>::length(name), ' ') << value << '\n';
    };
    line("Device", device);
    line("Settings file", path);
    const SettingsRead read = read_settings_file(path);
    if (!read.settings) return;
    for (const char* name : shown_rows) {
        const SettingsRow& row = *row_named(name);
        line(row.box == Tick::Chk_Data_Pos ? "Polarity" : name, shown(row, read));
    }
}

}  // namespace

std::string config_usage() {
    return "Usage: feedrite-config [options]\n"
           "  or:  feedrite-config --check-port [PORT] [--device NAME] [--program-dir DIR]\n"
           "  or:  feedrite-config --mqtt HOST[:PORT] [--mqtt-ca FILE] [--mqtt-user NAME\n"
           "                       --mqtt-password-file FILE] [--mqtt-prefix PREFIX]\n"
           "                       [--shdr [PORT]] [--check-mqtt] [--device NAME]\n"
           "  or:  feedrite-config --help | --version\n"
           "\n"
           "Sets up a device's port settings as the configuration dialog's Apply does:\n"
           "the changes are made in this order: preset, port, times; then the speed test\n"
           "runs and the settings file and the device list are written. A device not yet\n"
           "in the list is added and starts from the built-in defaults.\n"
           "\n"
           "Options:\n"
           "  --program-dir DIR  use the settings in DIR instead of the usual settings\n"
           "                     folder\n"
           "  --device NAME      the device to set up; \"(default)\" when not given\n"
           "  --preset NAME      the preset of a control: fanuc, yasnac or pw\n"
           "  --port LPTn        the port LPT1, LPT2, LPT3 or LPT4\n"
           "  --address HEX      the port's base address in hexadecimal, such as 378\n"
           "  --data-on MS       data-on time in milliseconds\n"
           "  --sprocket-on MS   sprocket-on time in milliseconds\n"
           "  --overlap MS       sprocket overlap time in milliseconds\n"
           "  --data-off MS      data-off time in milliseconds\n"
           "  --block-delay MS   delay after each end of block in milliseconds\n"
           "  --rapid MM_PER_MIN\n"
           "                     the machine's rapid traverse rate in mm/min, for the\n"
           "                     machining time (feedrite-tape --estimate)\n"
           "  --calibrate        run the 10-second speed test (needed for any change)\n"
           "  --quick            run a 1-second speed test instead: less accurate (not\n"
           "                     with --calibrate)\n"
           "  --show             print the device's settings\n"
           "  --check-port [PORT]\n"
           "                     change nothing: find what keeps the port from being used\n"
           "                     (modules, permission, another driver) and say the fix.\n"
           "                     PORT: LPT1 to LPT4, a hexadecimal address or a device\n"
           "                     file such as /dev/parport0; the device's address when\n"
           "                     not given\n"
           "\n"
           "Reporting to the shop (the file \"Feedrite reporting\" in the settings folder;\n"
           "off until set; nothing from the network reaches the tape or the settings):\n"
           "  --mqtt HOST[:PORT]\n"
           "                     report to the MQTT broker at HOST (port 1883, with\n"
           "                     --mqtt-ca 8883): retained JSON values under\n"
           "                     PREFIX/DEVICE/..., a last will marks the machine\n"
           "                     unavailable\n"
           "  --mqtt-ca FILE     use TLS, trusting the certificate authority in FILE\n"
           "  --mqtt-user NAME   log in to the broker as NAME\n"
           "  --mqtt-password-file FILE\n"
           "                     the password, on FILE's first line; FILE must be yours\n"
           "                     and readable by you alone (chmod 600 FILE)\n"
           "  --mqtt-prefix PREFIX\n"
           "                     the topics' prefix; \"feedrite\" when not given\n"
           "  --no-mqtt          stop reporting to MQTT\n"
           "  --check-mqtt       connect and log in to the broker set up, and say whether\n"
           "                     it answers and accepts the login\n"
           "  --shdr [PORT]      listen for MTConnect agents on PORT (7878 when not\n"
           "                     given): SHDR lines of the data items\n"
           "  --no-shdr          stop listening for MTConnect agents\n" +
           std::string(common_option_help) +
           "\n"
           "Exit status:\n"
           "  0  done; with --check-port: the port can be claimed and read\n"
           "  1  a setting was refused or a file could not be read or written; with\n"
           "     --check-port: the port cannot be used; with --check-mqtt: the broker\n"
           "     did not answer or refused the login\n"
           "  2  usage error\n";
}

int run_config(const std::vector<std::string>& args, Host& host, const SpeedTestRunner& speed_test,
               std::ostream& out, std::ostream& errors) {
    const ConfigOptions options = parse_config_options(args);
    if (options.help) {
        out << config_usage();
        return 0;
    }
    if (options.version) {
        out << "feedrite-config " << FEEDRITE_VERSION << '\n';
        return 0;
    }
    if (!options.error.empty()) {
        errors << "feedrite-config: " << options.error << "\n\n" << config_usage();
        return 2;
    }
    const ProgramPlaces places = resolve_program_places(options.program_dir);
    if (!places.note.empty()) errors << places.note << '\n';
    const std::string& dir = places.dir;
    if (!std::filesystem::is_directory(dir)) {
        errors << "feedrite-config: no folder " << dir
               << " (only the last folder of --program-dir is made)\n";
        return 1;
    }
    if (options.report.any()) {
        const int status = run_report_setup(options.report, dir, options.device, out, errors);
        if (status != 0 || (!options.changes() && !options.calibrate && !options.show))
            return status;
    }
    ConfigModel model(host);
    set_optional_defaults(model);
    read_device_list(model, dir);

    const std::optional<std::size_t> index = listed_index(model, options.device);
    if (index) {
        model.IO_device_index = static_cast<int>(*index);
        const std::string path = settings_path(dir, model.IO_device_lst[*index]);
        if (std::filesystem::exists(path)) {
            if (!load_settings(model, path, host)) return 1;
        } else if (!options.calibrate) {
            errors << "feedrite-config: " << selected_device(model)
                   << " has no settings file yet: " << path << '\n';
            return 1;
        } else {
            default_settings(model);
        }
    } else {
        if (!options.calibrate) {
            errors << "feedrite-config: no device " << options.device << " in the device list of "
                   << dir << '\n';
            return 1;
        }
        model.IO_device_lst.push_back(options.device);
        model.IO_device_index = static_cast<int>(model.IO_device_lst.size() - 1);
        default_settings(model);
        errors << "New device " << options.device << '\n';
    }

    if (options.preset) apply_preset(model, *options.preset);
    if (options.port) model.choose_port(*options.port);
    if (!options.address.empty()) {
        model.choose_port(LPT_other);
        model.address_txt.clear();
        for (char c : options.address)
            model.address_txt += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        model.address = leading_hex_value(model.address_txt);
    }
    for (const auto& [box, value] : options.times) model.*box = value;
    keep_up(model);

    const std::string path = settings_path(dir, selected_device(model));
    if (options.calibrate) {
        const std::optional<MillisecondTimes> times = checked_times(model, host);
        if (!times) return 1;
        const int seconds = options.quick ? 1 : 10;
        errors << "Testing this PC's speed for " << seconds
               << (options.quick ? " second (quick: less accurate than the 10-second test)"
                                 : " seconds")
               << " ...\n";
        const SpeedTest test =
            speed_test(seconds, [&errors](int left) { errors << seconds_left_text(left) << '\n'; });
        if (!save_applied(model, *times, calibrated_rate(test.best()), dir, host)) return 1;
        errors << speed_test_result(test, model.CPS_txt) << '\n';
        errors << "Saved " << path << '\n';
    }
    if (options.show) show_settings(selected_device(model), path, out);
    return 0;
}

}  // namespace feedrite
