// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SHA-256, the digest that ties a resume record and a history line to the
// program text they were made for. Fed in pieces, so a large file is hashed
// without being held whole.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace feedrite {

class Sha256 {
  public:
    Sha256();
    void add(std::string_view bytes);
    /// The digest in lower-case hex; the hash starts afresh after it.
    [[nodiscard]] std::string hex();

  private:
    void compress(const unsigned char* block);

    std::array<std::uint32_t, 8> state_;
    std::array<unsigned char, 64> block_{};
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;  ///< bytes added
};

/// The lower-case hex SHA-256 of `bytes`; empty, never a digest, when a stop
/// was requested meanwhile (a large text takes a second).
[[nodiscard]] std::string sha256_hex(std::string_view bytes);

}  // namespace feedrite
