// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One program file served line by line, as the loader reads the main program
// and every sub file.

#include <cstddef>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace feedrite {

/// A program file read whole when it is opened and served line by line from a
/// position, so a long program costs one read and no copying of what is left.
/// Bytes pass unchanged (8-bit text, NUL and binary bytes included); CR LF,
/// lone LF and lone CR each end a line, and a break at the very end does not
/// start another line.
class ProgramFile {
  public:
    /// Reads the whole file; an open file is closed first. On failure returns
    /// false, sets `error` and stays closed. No descriptor stays open.
    bool open(const std::string& path, FileError& error);

    [[nodiscard]] bool is_open() const { return open_; }

    /// True when every line has been read, and always for a closed file.
    [[nodiscard]] bool at_end() const { return pos_ >= text_.size(); }

    /// The next line without its line end; empty at the end.
    std::string read_line() { return std::string(take_line()); }
    /// The same without a copy, valid until the file is closed: lines that
    /// are only looked at (skipped end-of-program lines) cost no allocation.
    std::string_view take_line();

    /// The whole file as read; empty once closed.
    [[nodiscard]] const std::string& text() const { return text_; }

    /// Releases the text; at_end() holds afterwards.
    void close();

  private:
    std::string text_;
    std::size_t pos_ = 0;
    bool open_ = false;
};

}  // namespace feedrite
