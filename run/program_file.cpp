// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/program_file.h"

#include <algorithm>
#include <string_view>

#include "base/limits.h"

namespace feedrite {

bool ProgramFile::open(const std::string& path, FileError& error) {
    close();
    if (!read_whole_file(path, text_, error, program_size_limit)) {
        close();
        return false;
    }
    open_ = true;
    return true;
}

std::string_view ProgramFile::take_line() {
    const std::string_view rest = std::string_view(text_).substr(std::min(pos_, text_.size()));
    const auto is_break = [](char c) { return c == '\r' || c == '\n'; };
    const std::size_t length =
        static_cast<std::size_t>(std::find_if(rest.begin(), rest.end(), is_break) - rest.begin());
    std::size_t skip = length < rest.size() ? 1 : 0;
    if (rest.substr(length, 2) == "\r\n") skip = 2;
    pos_ += length + skip;
    return rest.substr(0, length);
}

void ProgramFile::close() {
    std::string().swap(text_);  // give the memory back: a main program may be 100 MB
    pos_ = 0;
    open_ = false;
}

}  // namespace feedrite
