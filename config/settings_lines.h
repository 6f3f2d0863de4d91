// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Line-by-line reading of a port settings file, shared by the send driver's
// reader and the configuration dialog's loader.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/file_io.h"

namespace feedrite {

/// The lines of one file, taken in order. Every read moves to the next line;
/// an empty result means the line is missing or its value cannot be used,
/// which both readers treat as the end of what they can read.
class SettingsLines {
  public:
    /// Reads the whole file; false when it cannot be read (error() says why).
    bool open(const std::string& path);
    [[nodiscard]] const FileError& error() const { return error_; }

    /// The next line's bytes as stored, without its line break.
    std::optional<std::string> text();
    /// The number at the start of the next line (0 when it holds none).
    std::optional<double> number();
    /// The next line's number rounded halves to even; empty also when the
    /// result does not fit 16 bits, since no field could take it.
    std::optional<std::int16_t> whole_number();

  private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    FileError error_;
};

/// The lines of a settings file as stored, without their breaks; none when
/// the file cannot be read.
[[nodiscard]] std::optional<std::vector<std::string>> read_settings_lines(const std::string& path);

/// The end-of-block characters for a line 15 code: LF, CR, LF CR, CR LF;
/// empty for any other code.
[[nodiscard]] std::string eob_characters(std::int16_t code);

/// Stores a value that was read; false when there was none.
template <typename T>
bool take(std::optional<T> value, T& field) {
    if (!value) return false;
    field = std::move(*value);
    return true;
}

}  // namespace feedrite
