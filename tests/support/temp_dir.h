// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>
#include <string_view>

namespace feedrite::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    /// path() + "/" + name
    [[nodiscard]] std::string file(std::string_view name) const;
    /// Writes `bytes` to path()/name exactly and returns the full path.
    std::string write(std::string_view name, std::string_view bytes) const;
    /// The bytes of path()/name, or "<missing>" when there is no such file.
    [[nodiscard]] std::string read(std::string_view name) const;

  private:
    std::string path_;
};

}  // namespace feedrite::testing
