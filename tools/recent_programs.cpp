// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/recent_programs.h"

#include <algorithm>
#include <filesystem>

#include "base/file_io.h"
#include "base/limits.h"

namespace feedrite {
namespace {

std::string start_text(const StartRequest& request) {
    return request.filename + '|' + request.IO_device_name + '|' + (request.Binaryfile ? "5" : "1");
}

}  // namespace

std::string recent_programs_path(const std::string& program_dir) {
    return program_dir + "/Feedrite recent programs";
}

std::vector<StartRequest> read_recent_programs(const std::string& program_dir) {
    std::string bytes;
    FileError error;
    std::vector<StartRequest> starts;
    if (!read_whole_file(recent_programs_path(program_dir), bytes, error, settings_size_limit))
        return starts;
    for (const std::string& line : split_lines(bytes)) {
        const StartRequest start = read_command_line(line);
        if (start.kind == StartKind::Send && starts.size() < recent_programs_kept)
            starts.push_back(start);
    }
    return starts;
}

void remember_program(const std::string& program_dir, StartRequest request) {
    if (request.kind != StartKind::Send || request.filename.empty() ||
        request.filename.find_first_of("|\r\n") != std::string::npos ||
        request.IO_device_name.find_first_of("\r\n") != std::string::npos)
        return;
    // Started from another folder, the name must still find the file.
    std::error_code error;
    const auto absolute = std::filesystem::absolute(request.filename, error);
    if (!error) request.filename = absolute.lexically_normal().string();
    std::vector<StartRequest> starts = read_recent_programs(program_dir);
    std::erase_if(starts, [&](const StartRequest& s) { return s.filename == request.filename; });
    starts.insert(starts.begin(), request);
    if (starts.size() > recent_programs_kept) starts.resize(recent_programs_kept);
    std::vector<std::string> lines;
    lines.reserve(starts.size());
    for (const StartRequest& start : starts) lines.push_back(start_text(start));
    (void)write_file_atomic(recent_programs_path(program_dir), join_lines_crlf(lines));
}

}  // namespace feedrite
