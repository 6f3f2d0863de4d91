// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_writer.h"

#include <algorithm>
#include <vector>

#include "base/file_io.h"
#include "base/file_lock.h"
#include "base/limits.h"
#include "config/device_list.h"
#include "config/settings_paths.h"
#include "config/settings_table.h"

namespace feedrite {
std::vector<std::string> settings_lines(const ConfigModel& m) {
    std::vector<std::string> lines;
    for (const SettingsRow& row : settings_rows()) lines.push_back(line_of(row, m));
    return lines;
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
