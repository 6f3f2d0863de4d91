// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The JSON of the files we keep: the history of runs and the resume records.
// It writes one object with its members in the order given, and reads the
// flat objects these files hold (a member may hold one flat object itself).
//
// Strings are bytes. Valid UTF-8 is written as it is and any other byte of
// 0x80 and up as \u00XX, which reads back as that byte, so a file name in
// an 8-bit encoding survives the round trip.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace feedrite {

/// Longer texts are not read: no file of ours holds an object this large.
inline constexpr std::size_t json_text_limit = std::size_t{1} << 20;

enum class JsonKind { Null, Boolean, Number, String, Object };

struct JsonMember;

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;                 ///< a string's bytes
    std::vector<JsonMember> members;  ///< an object's, in the order read
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

using JsonObject = std::vector<JsonMember>;

/// `value` quoted, escaped as above.
[[nodiscard]] std::string json_string(std::string_view value);
/// The shortest text that reads back as `value`: whole numbers up to 2^53
/// in digits, others in the shorter of the decimal and exponent forms;
/// "null" for infinity and NaN, which JSON cannot hold.
[[nodiscard]] std::string json_number(double value);

class JsonWriter {
  public:
    /// `spaced`: ", " and ": " between members, as the resume record has
    /// always been written; otherwise compact.
    explicit JsonWriter(bool spaced = false) : spaced_(spaced) {}
    JsonWriter& string(std::string_view key, std::string_view value);
    JsonWriter& number(std::string_view key, double value);
    JsonWriter& boolean(std::string_view key, bool value);
    JsonWriter& null(std::string_view key);
    JsonWriter& object(std::string_view key, const JsonWriter& members);
    /// The whole object, braces included.
    [[nodiscard]] std::string text() const { return "{" + body_ + "}"; }

  private:
    JsonWriter& member(std::string_view key, const std::string& value);

    bool spaced_;
    std::string body_;
};

/// The object that `text` holds, with white space around it; nothing for
/// anything else: a torn or foreign text, an array, an object nested deeper
/// than one level, a number out of range, or a text over json_text_limit.
[[nodiscard]] std::optional<JsonObject> parse_json_object(std::string_view text);

/// The last member named `key`, or null.
[[nodiscard]] const JsonValue* json_member(const JsonObject& object, std::string_view key);

}  // namespace feedrite
