// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/device_list.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/limits.h"
#include "config/settings_paths.h"

namespace feedrite {

void read_device_list(ConfigModel& model, const std::string& program_dir) {
    model.IO_device_lst.assign(1, default_device_name);
    model.IO_device_index = 0;
    std::string bytes;
    FileError error;
    if (!read_whole_file(device_list_path(program_dir), bytes, error, settings_size_limit)) return;
    for (auto& line : split_lines(bytes))
        if (!line.empty()) model.IO_device_lst.push_back(std::move(line));
}

std::string merged_device_list(const ConfigModel& model, std::string_view current) {
    std::vector<std::string> names;
    for (auto& line : split_lines(current))
        if (!line.empty()) names.push_back(std::move(line));
    for (std::size_t i = 1; i < model.IO_device_lst.size(); ++i) {
        const std::string& name = model.IO_device_lst[i];
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return join_lines_crlf(names);
}

bool lock_device_list(FileLock& lock, const std::string& program_dir, Host& host) {
    const std::string path = device_list_path(program_dir);
    if (lock.acquire(path + ".lock", this_process() + " is changing the device list", lock_wait_ms,
                     [&host] { host.yield(); }))
        return true;
    FileError error = lock.error();
    if (error.ok()) {
        const std::string holder = lock.holder().substr(0, lock.holder().find('\n'));
        error = {FileErrorCode::Io, holder, holder};
    }
    show_write_failure(host, path, error);
    return false;
}

bool write_device_list(const ConfigModel& model, const std::string& program_dir, Host& host) {
    FileLock lock;
    if (!lock_device_list(lock, program_dir, host)) return false;
    const std::string path = device_list_path(program_dir);
    std::string current;
    FileError error;
    if (!read_whole_file(path, current, error, settings_size_limit) &&
        error.code != FileErrorCode::NotFound) {
        show_write_failure(host, path, error);
        return false;
    }
    error = write_file_atomic(path, merged_device_list(model, current));
    if (error.ok()) return true;
    show_write_failure(host, path, error);
    return false;
}

namespace {

bool drop_from_list_file(const std::string& program_dir, const std::string& name) {
    const std::string list = device_list_path(program_dir);
    std::string bytes;
    FileError error;
    if (!read_whole_file(list, bytes, error, settings_size_limit)) return false;
    std::vector<std::string> kept;
    for (auto& line : split_lines(bytes))
        if (line != name) kept.push_back(std::move(line));

    // The temporary list is complete on disk before it replaces the list, so
    // a failure at any point leaves the old list whole.
    const std::string temp = device_list_temp_path(program_dir);
    if (!write_file_atomic(temp, join_lines_crlf(kept)).ok()) return false;
    if (std::rename(temp.c_str(), list.c_str()) != 0) {
        remove_file(temp);
        return false;
    }
    return true;
}

}  // namespace

bool remove_device(const std::string& program_dir, const std::string& name, Host& host) {
    // The default device's settings file must survive whatever the caller asks.
    if (name == default_device_name) return false;
    FileLock lock;
    if (!lock_device_list(lock, program_dir, host)) return false;
    if (!drop_from_list_file(program_dir, name)) {
        host.message_box("Cannot update I/O Device list file", "File write errror",
                         MessageIcon::None, MessageButtons::Ok);
        return false;
    }
    remove_file(settings_path(program_dir, name));  // often there is none yet
    return true;
}

void show_write_failure(Host& host, const std::string& path, const FileError& error) {
    host.message_box("Unable to write to file\n" + path + "\n(" + error.message + ")",
                     "File write error", MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace feedrite
