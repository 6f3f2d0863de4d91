// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <vector>

#include "base/file_io.h"
#include "base/file_lock.h"
#include "base/limits.h"
#include "base/number_text.h"
#include "config/device_list.h"
#include "config/settings_paths.h"

namespace feedrite {
namespace {

// The address is single precision: write the digits it holds (888.3), not
// those of its double widening (888.299987792969).
std::string format_single(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer - 1, value).ptr;
    *end = '\0';
    return format_number(std::strtod(buffer, nullptr));
}

std::string format_box(const ConfigModel& m, Tick box) {
    return format_number(m.ticked(box) ? 1 : 0);
}

std::string print_box(const ConfigModel& m, Tick box) {
    return format_printed_integer(m.ticked(box) ? 1 : 0);
}

// Line 15: with several boxes ticked (possible only under EIA) the last in
// code order wins; with none it is 0.
int eob_code(const ConfigModel& m) {
    int code = 0;
    for (std::size_t i = 0; i < eob_boxes.size(); ++i)
        if (m.ticked(eob_boxes[i])) code = static_cast<int>(i);
    return code;
}

}  // namespace

std::vector<std::string> settings_lines(const ConfigModel& m) {
    return {
        format_number(m.LPT_index()),
        format_number(m.delay1),
        format_number(m.delay2),
        format_number(m.delay3),
        format_number(m.delay4),
        format_number(m.delay5),
        m.Data_on_txt,
        m.Sprocket_on_txt,
        m.Sprocket_overlap_txt,
        m.Data_off_txt,
        format_single(m.address),
        m.leader_txt,
        m.Trailer_txt,
        format_number(m.ticked(Tick::chk_EIA) ? 3 : 0),
        format_number(eob_code(m)),
        m.CPS_txt,
        m.EOB_delay_txt,
        m.Reset_on_txt,
        m.mask_txt,
        m.format_txt,
        format_box(m, Tick::Chk_calls),
        format_box(m, Tick::Chk_comments),
        format_box(m, Tick::Chk_format),
        print_box(m, Tick::Chk_Data_Pos),
        print_box(m, Tick::Chk_Sprocket_Pos),
        print_box(m, Tick::Chk_RunStop_Pos),
        print_box(m, Tick::Chk_ready_pos),
        print_box(m, Tick::Chk_Async),
        m.Replace_txt,
        m.Replace_with_txt,
        print_box(m, Tick::Chk_long_files),
        m.Rapid_rate_txt,
    };
}

namespace {

// What was not changed since the load goes back as it was read.
std::vector<std::string> lines_to_write(const ConfigModel& m) {
    std::vector<std::string> lines = settings_lines(m);
    const std::size_t kept = std::min(m.lines_read.size(), m.lines_loaded.size());
    for (std::size_t i = 0; i < std::min(kept, lines.size()); ++i)
        if (lines[i] == m.lines_loaded[i]) lines[i] = m.lines_read[i];
    return lines;
}

}  // namespace

// One step under the list's lock: the settings file is put in place before
// the list names it, so a program killed between the two leaves at worst a
// settings file no list names, never a listed device without one. A failure
// at any point leaves both files as they were.
bool saveit(const ConfigModel& model, const std::string& path, const std::string& program_dir,
            Host& host) {
    FileLock lock;
    if (!lock_device_list(lock, program_dir, host)) return false;
    const auto failed = [&host](const std::string& file, const FileError& error) {
        show_write_failure(host, file, error);
        return false;
    };
    PendingFile settings;
    FileError error = settings.write(path, join_lines_crlf(lines_to_write(model)));
    if (!error.ok()) return failed(path, error);

    const std::string list = device_list_path(program_dir);
    std::string old_list, old_settings;
    const bool had_list = read_whole_file(list, old_list, error, settings_size_limit);
    if (!had_list && error.code != FileErrorCode::NotFound) return failed(list, error);
    const bool had_settings = read_whole_file(path, old_settings, error, settings_size_limit);
    const std::string new_list = merged_device_list(model, old_list);
    error = settings.commit();
    if (!error.ok()) return failed(path, error);
    if (had_list && new_list == old_list) return true;
    error = write_file_atomic(list, new_list);
    if (error.ok()) return true;
    if (had_settings)
        (void)write_file_atomic(path, old_settings);
    else
        remove_file(path);
    return failed(list, error);
}

}  // namespace feedrite
