// SPDX-License-Identifier: GPL-3.0-or-later
#include "resume/resume_journal.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "base/file_io.h"
#include "base/folder_owner.h"
#include "base/json_codec.h"
#include "base/limits.h"
#include "base/state_dir.h"

namespace feedrite {
namespace {

// A string member, when there is one; false when it holds anything else.
bool take_text(const JsonObject& object, std::string_view key, std::string& out, bool needed) {
    const JsonValue* value = json_member(object, key);
    if (value == nullptr) return !needed;
    out = value->text;
    return value->kind == JsonKind::String;
}

std::string file_name_for(const std::string& device) {
    std::string name;
    for (const char c : device) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain =
            std::isalnum(byte) ||
            (byte < 0x80 && std::string_view(" _-()").find(c) != std::string_view::npos) ||
            (c == '.' && !name.empty());
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
        name += plain ? std::string(1, c) : std::string(escaped);
    }
    return name + ".json";
}

}  // namespace

std::string resume_journal_path(const std::string& device, const std::string& state_dir) {
    return state_dir.empty() ? "" : state_dir + "/resume/" + file_name_for(device);
}

std::string resume_journal_path(const std::string& device) {
    return resume_journal_path(device, feedrite::state_dir());
}

std::string format_resume_record(const ResumeRecord& r) {
    return JsonWriter(true)
               .string("program", r.program)
               .string("sha256", r.sha256)
               .string("device", r.device)
               .number("line", static_cast<double>(r.line))
               .boolean("running", r.running)
               .text() +
           "\n";
}

std::optional<ResumeRecord> parse_resume_record(std::string_view text) {
    const std::optional<JsonObject> object = parse_json_object(text);
    if (!object) return std::nullopt;
    ResumeRecord r;
    const JsonValue* line = json_member(*object, "line");
    const JsonValue* running = json_member(*object, "running");
    // A line is a whole number below 10^15, as it has always been written.
    if (!take_text(*object, "program", r.program, false) ||
        !take_text(*object, "sha256", r.sha256, true) ||
        !take_text(*object, "device", r.device, true) || line == nullptr ||
        line->kind != JsonKind::Number || line->number < 0 || line->number >= 1e15 ||
        line->number != std::trunc(line->number) || running == nullptr ||
        running->kind != JsonKind::Boolean)
        return std::nullopt;
    r.line = static_cast<std::int64_t>(line->number);
    r.running = running->boolean;
    return r;
}

std::optional<ResumeRecord> read_resume_record(const std::string& path) {
    std::string text;
    FileError error;
    if (path.empty() || !read_whole_file(path, text, error, settings_size_limit, false))
        return std::nullopt;
    return parse_resume_record(text);
}

bool write_resume_record(const std::string& path, const ResumeRecord& record, FileError* error) {
    // Made for the state folder's owner; a link planted at the record is refused.
    (void)make_owned_dirs(path.substr(0, path.rfind('/')), 0700);
    const FileError result = write_file_atomic(path, format_resume_record(record), false, false);
    if (error != nullptr) *error = result;
    return result.ok();
}

std::optional<std::int64_t> line_to_resume(const std::optional<ResumeRecord>& record,
                                           const std::string& sha256, const std::string& device,
                                           std::int64_t line_count) {
    if (!record || !record->running || record->sha256 != sha256 || record->device != device)
        return std::nullopt;
    if (record->line < 1 || record->line > line_count) return std::nullopt;
    return record->line;
}

JournalWriter::JournalWriter(std::string path, ResumeRecord identity,
                             std::chrono::milliseconds interval,
                             std::function<std::string()> digest,
                             std::function<void(const std::string&)> warn)
    : path_(std::move(path)),
      record_(std::move(identity)),
      interval_(interval),
      digest_(std::move(digest)),
      warn_(std::move(warn)),
      latest_(record_.line * 2 + (record_.running ? 1 : 0)),
      written_(latest_.load()),  // the file is left alone until the state changes
      thread_([this] { run(); }) {}

JournalWriter::~JournalWriter() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
    write_latest();
}

void JournalWriter::run() {
    if (digest_) {
        record_.sha256 = digest_();
        digest_ = nullptr;  // lets go of what it hashed
    }
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stop_; })) write_latest();
}

void JournalWriter::write_latest() {
    const std::int64_t latest = latest_.load(std::memory_order_relaxed);
    if (latest == written_ || path_.empty()) return;
    record_.line = latest / 2;
    record_.running = latest % 2 != 0;
    // A failed write is tried again at the next tick; the tape goes on.
    FileError error;
    if (write_resume_record(path_, record_, &error)) {
        written_ = latest;
    } else if (warn_) {
        warn_("cannot keep the resume record in " + path_ + ": " + error.message);
        warn_ = nullptr;  // said once
    }
}

}  // namespace feedrite
