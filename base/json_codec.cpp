// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/json_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace feedrite {
namespace {

constexpr char hex_digits[] = "0123456789abcdef";

// The length of the valid UTF-8 sequence at the start of `text`, 0 if none.
std::size_t utf8_length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    // Overlong forms, UTF-16 surrogates and code points over U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

void append_utf8(std::string& out, unsigned code) {
    if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    }
    out += static_cast<char>(0x80 | (code & 0x3F));
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonObject> whole_object() {
        JsonValue value;
        if (!take('{') || !object(value.members, 1)) return std::nullopt;
        skip_space();
        if (pos_ != text_.size()) return std::nullopt;
        return std::move(value.members);
    }

  private:
    static constexpr int most_depth = 2;

    void skip_space() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool take(char c) {
        skip_space();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    bool word(std::string_view w) {
        if (text_.substr(pos_, w.size()) != w) return false;
        pos_ += w.size();
        return true;
    }

    // After the '{'.
    bool object(JsonObject& members, int depth) {
        if (take('}')) return true;
        do {
            JsonMember member;
            if (!take('"') || !string(member.key) || !take(':') || !value(member.value, depth))
                return false;
            members.push_back(std::move(member));
        } while (take(','));
        return take('}');
    }

    bool value(JsonValue& out, int depth) {
        skip_space();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '"') {
            ++pos_;
            out.kind = JsonKind::String;
            return string(out.text);
        }
        if (c == '{') {
            ++pos_;
            out.kind = JsonKind::Object;
            return depth < most_depth && object(out.members, depth + 1);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            out.kind = JsonKind::Number;
            return number(out.number);
        }
        out.kind = c == 'n' ? JsonKind::Null : JsonKind::Boolean;
        out.boolean = c == 't';
        return word(c == 'n' ? "null" : c == 't' ? "true" : "false");
    }

    // After the opening quote.
    bool string(std::string& out) {
        out.clear();
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
            } else if (!escape(out)) {
                return false;
            }
        }
        return false;
    }

    bool escape(std::string& out) {
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_++];
        constexpr std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
        if (const auto at = from.find(c); at != std::string_view::npos) {
            out += to[at];
            return true;
        }
        unsigned code = 0;
        const char* digits = text_.data() + pos_;
        if (c != 'u' || text_.size() - pos_ < 4 ||
            std::from_chars(digits, digits + 4, code, 16).ptr != digits + 4)
            return false;
        pos_ += 4;
        if (code >= 0xD800 && code <= 0xDFFF) return false;  // we never write surrogates
        if (code <= 0xFF)
            out += static_cast<char>(code);
        else
            append_utf8(out, code);
        return true;
    }

    bool number(double& out) {
        const std::size_t from = pos_;
        const auto digits = [this] {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
            return pos_ > start;
        };
        (void)word("-");
        const bool leading_zero = pos_ < text_.size() && text_[pos_] == '0';
        if (!digits() || (leading_zero && pos_ - from > 1 + (text_[from] == '-' ? 1 : 0)))
            return false;
        if (word(".") && !digits()) return false;
        if (word("e") || word("E")) {
            if (!word("+")) (void)word("-");
            if (!digits()) return false;
        }
        const auto [end, error] = std::from_chars(text_.data() + from, text_.data() + pos_, out);
        return error == std::errc() && end == text_.data() + pos_ && std::isfinite(out);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string json_string(std::string_view value) {
    constexpr std::string_view plain = "\"\\\b\f\n\r\t", escaped = "\"\\bfnrt";
    std::string out = "\"";
    while (!value.empty()) {
        const char c = value[0];
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t sequence = byte >= 0x80 ? utf8_length(value) : 0;
        if (const auto at = plain.find(c); at != std::string_view::npos) {
            out += '\\';
            out += escaped[at];
        } else if (sequence > 0) {
            out += value.substr(0, sequence);
        } else if (byte < 0x20 || byte >= 0x80) {
            out += "\\u00";
            out += hex_digits[byte >> 4];
            out += hex_digits[byte & 0xF];
        } else {
            out += c;
        }
        value.remove_prefix(std::max<std::size_t>(sequence, 1));
    }
    return out + "\"";
}

std::string json_number(double value) {
    if (!std::isfinite(value)) return "null";
    constexpr double exact_whole = 9007199254740992.0;  // 2^53
    if (std::fabs(value) <= exact_whole && value == std::trunc(value))
        return std::to_string(static_cast<std::int64_t>(value));
    // The shortest digits that read back, then laid out in the shorter form.
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific)
                         .ptr;
    const std::string_view sci(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = sci.find('e');
    std::string digits(sci.substr(0, e));
    if (digits.size() > 1) digits.erase(1, 1);  // the point
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);
    const auto count = static_cast<int>(digits.size());
    std::string fixed;
    if (exponent < 0)
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    else if (exponent + 1 < count)
        fixed = digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
                digits.substr(static_cast<std::size_t>(exponent) + 1);
    else
        fixed = digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0');
    const std::string sign = value < 0 ? "-" : "";
    return sign + (fixed.size() <= sci.size() ? fixed : std::string(sci));
}

JsonWriter& JsonWriter::member(std::string_view key, const std::string& value) {
    if (!body_.empty()) body_ += spaced_ ? ", " : ",";
    body_ += json_string(key) + (spaced_ ? ": " : ":") + value;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view key, std::string_view value) {
    return member(key, json_string(value));
}

JsonWriter& JsonWriter::number(std::string_view key, double value) {
    return member(key, json_number(value));
}

JsonWriter& JsonWriter::boolean(std::string_view key, bool value) {
    return member(key, value ? "true" : "false");
}

JsonWriter& JsonWriter::null(std::string_view key) {
    return member(key, "null");
}

JsonWriter& JsonWriter::object(std::string_view key, const JsonWriter& members) {
    return member(key, members.text());
}

std::optional<JsonObject> parse_json_object(std::string_view text) {
    if (text.size() > json_text_limit) return std::nullopt;
    return Parser(text).whole_object();
}

const JsonValue* json_member(const JsonObject& object, std::string_view key) {
    for (auto it = object.rbegin(); it != object.rend(); ++it)
        if (it->key == key) return &it->value;
    return nullptr;
}

}  // namespace feedrite
