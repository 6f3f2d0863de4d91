// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/file_io.h"
#include "config/port_settings_reader.h"
#include "config/settings_loader.h"
#include "config/settings_paths.h"
#include "config/settings_writer.h"
#include "motion/estimate.h"
#include "sim/virtual_control.h"
#include "tests/support/device_settings.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"
#include "tools/config_tool.h"

namespace feedrite {
namespace {

// One case per row: the line as the writer puts it (not the sample's), a
// malformed line (none where every text is good), and what --show prints.
struct RowCase {
    const char *row, *written, *malformed, *shown;
};
const RowCase row_cases[] = {
    {"Port", " 3", " 5", "LPT4, address 378"},
    {"Data on loops", " 1234", "-1", "3.33 ms (1234 loops)"},
    {"Sprocket on loops", " 45", "1E999", "2.2 ms (45 loops)"},
    {"Overlap loops", " 12", " 2147483648", ".565 ms (12 loops)"},
    {"Data off loops", " 7", "-5", "0 ms (7 loops)"},
    {"Block delay loops", " 9", "-2", "0 ms (9 loops)"},
    {"Data on", "4.5", "10001", "4.5 ms (100 loops)"},
    {"Sprocket on", "1.5", "99999", "1.5 ms (30 loops)"},
    {"Overlap", ".25", "20000", ".25 ms (10 loops)"},
    {"Data off", "1", "10000.5", "1 ms (5 loops)"},
    {"Address", " 956", " 65536", "address 3BC"},
    {"Leader", "%CR", nullptr, "\"%CR\""},
    {"Trailer", "M30%", nullptr, "\"M30%\""},
    {"Code", " 3", " 7", "EIA RS244"},
    {"End of block", " 1", " 4", "block      CR\n"},
    {"Speed", " 250", nullptr, "250 characters per second"},
    {"Block delay", "2.5", "10000.5", "2.5 ms (0 loops)"},
    {"Reset on", "M02", nullptr, "\"M02\""},
    {"Mask", "; ", nullptr, "\"; \""},
    {"Format", "##.###", nullptr, "\"##.###\""},
    {"CALL sub files", " 0", "1E999", "files    no"},
    {"Mask comments", " 1", "1E999", "comments     yes"},
    {"Auto format", " 1", "1E999", "format       yes\n"},
    {"Data polarity", " 0 ", "1E999", "data negative"},
    {"Sprocket polarity", " 0 ", "1E999", "sprocket negative"},
    {"Run/stop polarity", " 0 ", "1E999", "run/stop negative"},
    {"Ready polarity", " 0 ", "1E999", "ready negative"},
    {"Async", " 1 ", "1E999", "Async             yes"},
    {"Replace", "G5", nullptr, "\"G5\" with"},
    {"Replace with", "G6", nullptr, "with \"G6\""},
    {"Spool from file", " 1 ", "1E999", "file   yes"},
    {"Rapid traverse", "9000.5", "abc", "9000.5 mm/min"},
    {"Read ahead", "3", "0", "3 blocks"},
    {"Wait mark", "0.25", "61", ".25 s"},
    {"Lathe per rev", " 0 ", "1E999", "Lathe per rev     no"},
    {"Acceleration", "500 0 300", "1 -2", "X 500, Y not known, Z 300 mm/s^2"},
};

TEST(SettingsTable, EveryRowReadsWritesBackShowsAndRefusesItsMalformedLine) {
    ASSERT_EQ(std::size(row_cases), settings_rows().size());
    testing::TempDir dir;
    testing::ScriptedHost host;
    const std::string path = settings_path(dir.path(), default_device_name);
    testing::DeviceSettings sample;
    sample.rapid = "12000";
    ConfigModel defaults(host);
    default_settings(defaults);
    for (const RowCase& c : row_cases) {
        SCOPED_TRACE(c.row);
        const SettingsRow* row = row_named(c.row);
        ASSERT_NE(row, nullptr);
        const auto at = static_cast<std::size_t>(row->line - 1);
        auto lines = split_lines(sample.file_text());
        for (std::size_t k = lines.size(); k < settings_rows().size(); ++k)
            lines.emplace_back(settings_rows()[k].fallback);
        const auto write = [&](const char* line) {
            lines[at] = line;
            ASSERT_TRUE(write_file_atomic(path, join_lines_crlf(lines)).ok());
        };
        write(c.written);
        ASSERT_TRUE(read_settings_file(path).settings);
        ConfigModel model(host);
        ASSERT_TRUE(load_settings(model, path, host));
        EXPECT_EQ(settings_lines(model)[at], c.written);
        std::ostringstream out, errors;
        run_config({"--program-dir", dir.path(), "--show"}, host, {}, out, errors);
        EXPECT_NE(out.str().find(c.shown), std::string::npos) << out.str();
        if (c.malformed == nullptr) continue;
        write(c.malformed);
        const SettingsRead read = read_settings_file(path);
        if (row->line > required_lines) {  // it and every later line read as their fallbacks
            ASSERT_TRUE(read.settings);
            for (const SettingsRow& later : settings_rows().subspan(at))
                EXPECT_EQ(read.values[static_cast<std::size_t>(later.line - 1)], later.fallback);
            continue;
        }
        EXPECT_FALSE(read.settings);
        EXPECT_EQ(read.bad_line, row->line);
        host.messages.clear();
        ConfigModel lenient(host);
        EXPECT_FALSE(load_settings(lenient, path, host));  // this line only keeps its default
        EXPECT_EQ(settings_lines(lenient)[at], settings_lines(defaults)[at]);
        ASSERT_EQ(host.messages.size(), 1U);
        EXPECT_NE(host.messages[0].text.find("line " + std::to_string(row->line) + " of"),
                  std::string::npos);
    }
}

// The speed line gives the number it starts with, to the machining time
// estimate and to the Virtual control's limit alike.
TEST(SettingsTable, BothSpeedUsersReadTheNumberTheLineStartsWith) {
    testing::TempDir dir;
    const auto read_speed = [&dir](const char* line) {
        auto lines = split_lines(testing::DeviceSettings{}.file_text());
        lines[15] = line;
        return read_settings_file(dir.write("settings", join_lines_crlf(lines))).settings;
    };
    const double at_300 = estimate_program("G1X1\n", *read_speed("300")).tape_seconds;
    EXPECT_GT(at_300, 0);
    // 250: apart from the limit the control has without a speed.
    const std::pair<const char*, double> speeds[] = {
        {"300 cps", 300}, {"250 cps", 250}, {" 250 ", 250}, {"", 0},
        {"junk", 0},      {"cps 300", 0},   {"-300", 0}};
    for (const auto& [line, cps] : speeds) {
        SCOPED_TRACE(line);
        const auto record = read_speed(line);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->speed_cps.value_or(0), cps);
        EXPECT_DOUBLE_EQ(device_limits(*record).max_cps,
                         cps > 0 ? cps * 1.1 : TimingLimits{}.max_cps);
        EXPECT_DOUBLE_EQ(estimate_program("G1X1\n", *record).tape_seconds,
                         cps > 0 ? at_300 * 300 / cps : 0);
    }
}

}  // namespace
}  // namespace feedrite
