// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>

#include "base/file_io.h"
#include "base/file_user.h"
#include "base/limits.h"

namespace feedrite {

std::string report_settings_path(const std::string& settings_dir) {
    return settings_dir + "/Feedrite reporting";
}

namespace {

std::optional<int> port_number(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// The settings' lines as name and value, in the order written.
struct Line {
    const char* name;
    std::string MqttSettings::*text;
};
constexpr Line text_lines[] = {
    {"mqtt_host", &MqttSettings::host},     {"mqtt_ca_file", &MqttSettings::ca_file},
    {"mqtt_user", &MqttSettings::user},     {"mqtt_password_file", &MqttSettings::password_file},
    {"mqtt_prefix", &MqttSettings::prefix},
};

bool read_line(std::string_view name, std::string_view value, ReportSettings& settings) {
    for (const Line& line : text_lines)
        if (name == line.name) {
            settings.mqtt.*line.text = std::string(value);
            return true;
        }
    if (name == "mqtt_port" || name == "shdr_port") {
        const auto port = port_number(value);
        if (!port) return false;
        (name == "mqtt_port" ? settings.mqtt.port : settings.shdr_port) = *port;
        return true;
    }
    return false;
}

}  // namespace

ReportSettings read_report_settings(const std::string& settings_dir, std::string& problem) {
    ReportSettings settings;
    const std::string path = report_settings_path(settings_dir);
    std::string bytes;
    FileError error;
    if (!file_exists(path)) return settings;
    if (!read_whole_file(path, bytes, error, settings_size_limit)) {
        problem = path + ": " + error.message;
        return settings;
    }
    for (const std::string_view line : split_line_views(bytes)) {
        if (line.empty() || line.front() == '#') continue;
        const std::size_t blank = line.find(' ');
        const std::string_view name = line.substr(0, blank);
        const std::string_view value =
            blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (!read_line(name, value, settings) && problem.empty())
            problem = path + ": the line \"" + std::string(line) + "\" does not read: left out";
    }
    return settings;
}

std::string write_report_settings(const std::string& settings_dir, const ReportSettings& s) {
    std::string text = "# Feedrite reporting: written by feedrite-config\r\n";
    if (!s.mqtt.host.empty()) {
        for (const Line& line : text_lines)
            if (!(s.mqtt.*line.text).empty())
                text += std::string(line.name) + ' ' + s.mqtt.*line.text + "\r\n";
        text += "mqtt_port " + std::to_string(s.mqtt.port) + "\r\n";
    }
    if (s.shdr_port > 0) text += "shdr_port " + std::to_string(s.shdr_port) + "\r\n";
    const std::string path = report_settings_path(settings_dir);
    const FileError error = write_file_atomic(path, text);
    return error.ok() ? std::string() : path + ": " + error.message;
}

std::string read_password_file(const std::string& path, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        problem = "the password file " + path + " cannot be read: " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return {};
    }
    ::close(fd);
    if (!S_ISREG(status.st_mode)) {
        problem = "the password file " + path + " is not a plain file";
        return {};
    }
    if (status.st_uid != file_uid() || (status.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        problem = "the password file " + path +
                  " must be yours and readable by you alone (it is mode " + mode +
                  (status.st_uid != file_uid() ? ", owned by another user" : "") +
                  "): refused. Put it right with: chmod 600 " + path;
        return {};
    }
    std::string bytes;
    FileError error;
    if (!read_whole_file(path, bytes, error, settings_size_limit, false)) {
        problem = "the password file " + path + " cannot be read: " + error.message;
        return {};
    }
    const auto lines = split_lines(bytes);
    if (lines.empty() || lines.front().empty()) {
        problem = "the password file " + path + " holds no password on its first line";
        return {};
    }
    return lines.front();
}

bool take_broker_address(const std::string& text, MqttSettings& settings) {
    const std::size_t colon = text.rfind(':');
    // "[::1]:1884" and "broker:1884" have a port; a bare IPv6 address has none.
    const bool has_port = colon != std::string::npos &&
                          (text.find(':') == colon || (colon > 0 && text[colon - 1] == ']'));
    std::string host = has_port ? text.substr(0, colon) : text;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty()) return false;
    if (has_port) {
        const auto port = port_number(std::string_view(text).substr(colon + 1));
        if (!port) return false;
        settings.port = *port;
    }
    settings.host = host;
    return true;
}

std::string topic_word(const std::string& name) {
    std::string word = name;
    for (char& c : word)
        if (c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return word.empty() ? std::string("_") : word;
}

}  // namespace feedrite
