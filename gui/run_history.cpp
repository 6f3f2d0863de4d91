#include "gui/run_history.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <fstream>
#include <iostream>

#include "base/append_line.h"
#include "base/file_io.h"
#include "base/folder_owner.h"
#include "base/limits.h"
#include "base/number_text.h"
#include "base/state_dir.h"

namespace feedrite {
namespace {

std::int64_t now_ms() {
    return QDateTime::currentMSecsSinceEpoch();
}

// Local time with its offset, so the line reads right anywhere.
QJsonValue time_value(std::int64_t ms) {
    if (ms == 0) return QJsonValue::Null;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

std::int64_t time_of(const QJsonValue& value) {
    if (!value.isString()) return 0;
    const QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

QString text(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes);
}
std::string bytes(const QJsonValue& value) {
    return value.toString().toLocal8Bit().toStdString();
}
std::int64_t number(const QJsonValue& value, std::int64_t otherwise = 0) {
    // A forged 1e300 must not reach a conversion whose overflow is undefined.
    return value.isDouble() ? whole_part_int64(value.toDouble()).value_or(otherwise) : otherwise;
}

bool is_running_feedrite(std::int64_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    return std::getline(comm, name) && name == "feedrite";
}

}  // namespace

QByteArray record_line(const RunRecord& r) {
    QJsonObject o;
    o[QStringLiteral("id")] = text(r.id);
    o[QStringLiteral("pid")] = static_cast<double>(r.pid);
    o[QStringLiteral("start")] = time_value(r.start_ms);
    o[QStringLiteral("updated")] = time_value(r.updated_ms);
    o[QStringLiteral("end")] = time_value(r.end_ms);
    o[QStringLiteral("device")] = text(r.device);
    o[QStringLiteral("program")] = text(r.program);
    o[QStringLiteral("size")] =
        r.program_size < 0 ? QJsonValue() : QJsonValue(static_cast<double>(r.program_size));
    o[QStringLiteral("sha256")] = r.sha256.empty() ? QJsonValue() : QJsonValue(text(r.sha256));
    o[QStringLiteral("cycles")] = static_cast<double>(r.cycles);
    o[QStringLiteral("characters")] = static_cast<double>(r.characters);
    o[QStringLiteral("blocks")] = static_cast<double>(r.blocks);
    o[QStringLiteral("stops")] = static_cast<double>(r.stops);
    o[QStringLiteral("end_reason")] = QString::fromLatin1(end_reason_name(r.end));
    o[QStringLiteral("end_detail")] = text(r.end_detail);
    // null: the clock guard gave no figures for this run.
    QJsonValue timing;
    if (!r.timing.empty()) {
        QJsonObject figures;
        for (const TimingFigure& f : r.timing) figures[text(f.name)] = f.value;
        timing = figures;
    }
    o[QStringLiteral("timing")] = timing;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<RunRecord> read_record_line(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject o = document.object();
    RunRecord r;
    r.id = bytes(o[QStringLiteral("id")]);
    r.start_ms = time_of(o[QStringLiteral("start")]);
    if (r.id.empty() || r.start_ms == 0) return std::nullopt;
    r.pid = number(o[QStringLiteral("pid")]);
    r.updated_ms = time_of(o[QStringLiteral("updated")]);
    r.end_ms = time_of(o[QStringLiteral("end")]);
    r.device = bytes(o[QStringLiteral("device")]);
    r.program = bytes(o[QStringLiteral("program")]);
    r.program_size = number(o[QStringLiteral("size")], -1);
    r.sha256 = bytes(o[QStringLiteral("sha256")]);
    r.cycles = number(o[QStringLiteral("cycles")]);
    r.characters = number(o[QStringLiteral("characters")]);
    r.blocks = number(o[QStringLiteral("blocks")]);
    r.stops = number(o[QStringLiteral("stops")]);
    r.end = end_reason_named(bytes(o[QStringLiteral("end_reason")]));
    r.end_detail = bytes(o[QStringLiteral("end_detail")]);
    const QJsonObject timing = o[QStringLiteral("timing")].toObject();
    for (auto it = timing.begin(); it != timing.end(); ++it)
        r.timing.push_back({it.key().toStdString(), it.value().toDouble()});
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
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return std::nullopt;
    return std::pair{hash.result().toHex().toStdString(), static_cast<std::int64_t>(file.size())};
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

void RunHistory::open(const WindowState& state) {
    if (path_.empty()) return;
    if (const auto slash = path_.rfind('/'); slash != 0 && slash != std::string::npos)
        (void)make_owned_dirs(path_.substr(0, slash), 0700);
    record_ = RunRecord{};
    record_.pid = ::getpid();
    record_.start_ms = now_ms();
    record_.id = std::to_string(record_.pid) + "-" + std::to_string(record_.start_ms);
    record_.device = state.IO_device_name;
    record_.program = state.filename;
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
