// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/run_history.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <atomic>
#include <fstream>
#include <iostream>
#include <map>

#include "base/append_line.h"
#include "base/file_io.h"
#include "base/folder_owner.h"
#include "base/json_codec.h"
#include "base/limits.h"
#include "base/number_text.h"
#include "base/sha256.h"
#include "base/state_dir.h"
#include "base/stop_request.h"

namespace feedrite {
namespace {

std::int64_t now_ms() {
    return QDateTime::currentMSecsSinceEpoch();
}

// Local time with its offset, so the line reads right anywhere.
void add_time(JsonWriter& line, std::string_view key, std::int64_t ms) {
    if (ms == 0) {
        line.null(key);
        return;
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    line.string(
        key,
        local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs).toStdString());
}

std::int64_t time_of(const JsonValue* value) {
    if (value == nullptr || value->kind != JsonKind::String) return 0;
    const QDateTime t =
        QDateTime::fromString(QString::fromStdString(value->text), Qt::ISODateWithMs);
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

std::string text_of(const JsonValue* value) {
    return value != nullptr && value->kind == JsonKind::String ? value->text : std::string();
}

std::int64_t number_of(const JsonValue* value, std::int64_t otherwise = 0) {
    if (value == nullptr || value->kind != JsonKind::Number) return otherwise;
    // A forged 1e300 must not reach a conversion whose overflow is undefined.
    return whole_part_int64(value->number).value_or(otherwise);
}

bool is_running_feedrite(std::int64_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    return std::getline(comm, name) && name == "feedrite";
}

}  // namespace

QByteArray record_line(const RunRecord& r) {
    // The members in the order of their names, as the history has always had them.
    JsonWriter line;
    line.number("blocks", static_cast<double>(r.blocks))
        .number("characters", static_cast<double>(r.characters))
        .number("cycles", static_cast<double>(r.cycles))
        .string("device", r.device);
    add_time(line, "end", r.end_ms);
    line.string("end_detail", r.end_detail)
        .string("end_reason", end_reason_name(r.end))
        .string("id", r.id)
        .number("pid", static_cast<double>(r.pid))
        .string("program", r.program);
    if (r.sha256.empty())
        line.null("sha256");
    else
        line.string("sha256", r.sha256);
    // Only a simulated run says so: lines written before it existed read as the machine's.
    if (r.simulated) line.boolean("simulated", true);
    if (r.program_size < 0)
        line.null("size");
    else
        line.number("size", static_cast<double>(r.program_size));
    add_time(line, "start", r.start_ms);
    line.number("stops", static_cast<double>(r.stops));
    // null: the clock guard gave no figures for this run. One figure per
    // name, the last one given, in the order of the names.
    std::map<std::string, double> figures;
    for (const TimingFigure& f : r.timing) figures[f.name] = f.value;
    JsonWriter timing;
    for (const auto& [name, value] : figures) timing.number(name, value);
    if (figures.empty())
        line.null("timing");
    else
        line.object("timing", timing);
    add_time(line, "updated", r.updated_ms);
    return QByteArray::fromStdString(line.text());
}

std::optional<RunRecord> read_record_line(const QByteArray& line) {
    const std::optional<JsonObject> o = parse_json_object(
        std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    if (!o) return std::nullopt;
    const auto at = [&o](std::string_view key) { return json_member(*o, key); };
    RunRecord r;
    r.id = text_of(at("id"));
    r.start_ms = time_of(at("start"));
    if (r.id.empty() || r.start_ms == 0) return std::nullopt;
    r.pid = number_of(at("pid"));
    r.updated_ms = time_of(at("updated"));
    r.end_ms = time_of(at("end"));
    r.device = text_of(at("device"));
    r.program = text_of(at("program"));
    r.program_size = number_of(at("size"), -1);
    r.sha256 = text_of(at("sha256"));
    r.cycles = number_of(at("cycles"));
    r.characters = number_of(at("characters"));
    r.blocks = number_of(at("blocks"));
    r.stops = number_of(at("stops"));
    r.end = end_reason_named(text_of(at("end_reason")));
    r.end_detail = text_of(at("end_detail"));
    const JsonValue* simulated = at("simulated");
    r.simulated =
        simulated != nullptr && simulated->kind == JsonKind::Boolean && simulated->boolean;
    if (const JsonValue* timing = at("timing"))
        for (const JsonMember& figure : timing->members)
            r.timing.push_back(
                {figure.key, figure.value.kind == JsonKind::Number ? figure.value.number : 0.0});
    return r;
}

std::vector<RunRecord> read_history(const std::string& path, std::int64_t tail) {
    std::string content, older;
    FileError error;
    if (!read_file_tail(path, tail, content, error) && error.code != FileErrorCode::NotFound)
        return {};
    const auto rest = tail - static_cast<std::int64_t>(content.size());
    if (rest > 0 && read_file_tail(path + ".1", rest, older, error)) content.insert(0, older);
    std::vector<RunRecord> lines;
    for (const QByteArray& line : QByteArray::fromStdString(content).split('\n'))
        if (auto record = read_record_line(line)) lines.push_back(std::move(*record));
    return merge_runs(lines, is_running_feedrite);
}

std::optional<std::pair<std::string, std::int64_t>> file_digest(const std::string& path) {
    // A FIFO would block the open, a device never end: only a regular file
    // that the load would read is hashed.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > program_size_limit)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    Sha256 hash;
    std::vector<char> chunk(std::size_t{1} << 16);
    std::int64_t size = 0;
    while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) ||
           file.gcount() > 0) {
        if (stop_requested()) return std::nullopt;  // ending: no digest rather than a late end
        hash.add(std::string_view(chunk.data(), static_cast<std::size_t>(file.gcount())));
        size += file.gcount();
    }
    if (file.bad()) return std::nullopt;
    return std::pair{hash.hex(), size};
}

RunHistory::RunHistory(std::string path) : path_(std::move(path)) {
    if (path_.empty()) return;
    // Said once: the run itself goes on without its history.
    auto warned = std::make_shared<std::atomic_bool>(false);
    const auto warn = [warned, shown = path_](const FileError& error) {
        if (error.code == FileErrorCode::Busy || warned->exchange(true)) return;
        std::cerr << "feedrite: cannot write the history of runs to " << shown << ": "
                  << error.message << '\n';
    };
    writer_ = std::make_unique<LineAppender>(
        path_, AppendRules{history_lock_wait_ms, history_rotate_bytes}, warn);
}

void RunHistory::open(const WindowState& state, bool simulated) {
    if (path_.empty()) return;
    if (const auto slash = path_.rfind('/'); slash != 0 && slash != std::string::npos)
        (void)make_owned_dirs(path_.substr(0, slash), 0700);
    record_ = RunRecord{};
    record_.pid = ::getpid();
    record_.start_ms = now_ms();
    record_.id = std::to_string(record_.pid) + "-" + std::to_string(record_.start_ms);
    record_.device = state.IO_device_name;
    record_.program = state.filename;
    record_.simulated = simulated;
    if (const auto digest = file_digest(state.filename)) {
        record_.sha256 = digest->first;
        record_.program_size = digest->second;
    }
    open_ = true;
    write(state.run);
}

void RunHistory::checkpoint(const RunCounters& run, std::int64_t every_ms) {
    if (open_ && now_ms() - record_.updated_ms >= every_ms) write(run);
}

void RunHistory::note_ending(EndReason reason, const std::string& detail, const RunCounters& run) {
    if (!open_) return;
    record_.end = reason;
    record_.end_detail = detail;
    write(run, true);
}

void RunHistory::close(EndReason reason, const std::string& detail, const RunCounters& run,
                       const TimingSource& timing) {
    if (!open_) return;
    if (timing) record_.timing = timing();
    note_ending(reason, detail, run);
    open_ = false;
}

void RunHistory::write(const RunCounters& run, bool wait) {
    take_counts(record_, run);
    record_.updated_ms = now_ms();
    if (record_.end != EndReason::Open) record_.end_ms = record_.updated_ms;
    std::string line = record_line(record_).toStdString();
    if (wait)
        (void)writer_->post_and_wait(std::move(line),
                                     std::chrono::milliseconds(history_close_wait_ms));
    else
        writer_->post(std::move(line));
}

}  // namespace feedrite
