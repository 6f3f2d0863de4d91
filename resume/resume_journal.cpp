#include "resume/resume_journal.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/file_io.h"
#include "base/folder_owner.h"
#include "base/limits.h"
#include "base/state_dir.h"

namespace feedrite {
namespace {

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\', out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // 8-bit names stay 8-bit: each byte is one \u00XX, read back as that byte.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A reader for the one flat object this file holds.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool object(ResumeRecord& r) {
        bool sha = false, device = false, line = false, running = false;
        if (!take('{')) return false;
        do {
            std::string key;
            if (!string(key) || !take(':')) return false;
            if (key == "line")
                line = number(r.line);
            else if (key == "running")
                running = boolean(r.running);
            else if (!string(key == "program"  ? r.program
                             : key == "sha256" ? r.sha256
                             : key == "device" ? r.device
                                               : scratch_))
                return false;
            sha = sha || key == "sha256";
            device = device || key == "device";
        } while (take(','));
        return take('}') && (skip(), pos_ == text_.size()) && sha && device && line && running;
    }

  private:
    void skip() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool take(char c) {
        skip();
        if (pos_ >= text_.size() || text_[pos_] != c) return false;
        ++pos_;
        return true;
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        out.clear();
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\') {
                if (pos_ >= text_.size()) return false;
                c = text_[pos_++];
                if (c == 'u') {
                    if (pos_ + 4 > text_.size()) return false;
                    const unsigned long code =
                        std::strtoul(std::string(text_.substr(pos_, 4)).c_str(), nullptr, 16);
                    if (code > 0xFF) return false;
                    c = static_cast<char>(code);
                    pos_ += 4;
                }
            }
            out += c;
        }
        return take('"');
    }
    bool number(std::int64_t& out) {
        skip();
        const std::size_t from = pos_;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
        if (pos_ == from || pos_ - from > 15) return false;
        out = std::stoll(std::string(text_.substr(from, pos_ - from)));
        return true;
    }
    bool boolean(bool& out) {
        skip();
        for (const bool value : {true, false}) {
            const std::string_view word = value ? "true" : "false";
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                out = value;
                return true;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string scratch_;
};

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
    return "{\"program\": " + json_string(r.program) + ", \"sha256\": " + json_string(r.sha256) +
           ", \"device\": " + json_string(r.device) + ", \"line\": " + std::to_string(r.line) +
           ", \"running\": " + (r.running ? "true" : "false") + "}\n";
}

std::optional<ResumeRecord> parse_resume_record(std::string_view text) {
    ResumeRecord record;
    if (!Reader(text).object(record)) return std::nullopt;
    return record;
}

std::optional<ResumeRecord> read_resume_record(const std::string& path) {
    std::string text;
    FileError error;
    if (path.empty() || !read_whole_file(path, text, error, settings_size_limit, false))
        return std::nullopt;
    return parse_resume_record(text);
}

bool write_resume_record(const std::string& path, const ResumeRecord& record) {
    // Made for the state folder's owner; a link planted at the record is refused.
    (void)make_owned_dirs(path.substr(0, path.rfind('/')), 0700);
    return write_file_atomic(path, format_resume_record(record), false, false).ok();
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
                             std::function<std::string()> digest)
    : path_(std::move(path)),
      record_(std::move(identity)),
      interval_(interval),
      digest_(std::move(digest)),
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
    if (write_resume_record(path_, record_)) written_ = latest;
}

}  // namespace feedrite
