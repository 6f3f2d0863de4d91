// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history of runs on disk: one JSON object per line (base/json_codec), a line
// when a run starts, now and then while it runs, and when it ends. The last
// line of a run is its record; a run whose last line is still open crashed.

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/limits.h"
#include "base/line_appender.h"
#include "core/run_log.h"
#include "core/run_record.h"
#include "core/window_state.h"

namespace feedrite {

/// One record as one line of JSON (no LF).
[[nodiscard]] QByteArray record_line(const RunRecord& record);
/// The record of one line; nothing for a line that is not a whole record
/// (torn by a crash, or written by someone else).
[[nodiscard]] std::optional<RunRecord> read_record_line(const QByteArray& line);

/// The runs in the last `tail` bytes of the history file and, when it holds
/// less, of the file it was rotated to (PATH.1), merged as merge_runs says;
/// empty when there is none. A run still open counts as running while its
/// process lives and is a feedrite.
[[nodiscard]] std::vector<RunRecord> read_history(const std::string& path,
                                                  std::int64_t tail = history_tail_bytes);

/// The hex SHA-256 and size of a file; nothing when it cannot be read.
[[nodiscard]] std::optional<std::pair<std::string, std::int64_t>> file_digest(
    const std::string& path);

/// The record of the window's one run, kept on disk as it goes. Its lines
/// are written by a thread (LineAppender), so neither another program's
/// lock on the file nor the disk ever holds up the tape; the history is
/// rotated at history_rotate_bytes.
class RunHistory final : public RunLog {
  public:
    /// An empty path keeps no history (tests, and the headless tools).
    explicit RunHistory(std::string path = {});

    /// The run begins: the program's digest is taken and the open line written.
    void open(const WindowState& state, bool simulated) override;
    /// The run goes on on the virtual port (the hardware's would not open).
    void mark_simulated() override { record_.simulated = true; }
    /// Writes the counts again when `every_ms` have passed since the last
    /// line, so that a crash loses little.
    void checkpoint(const RunCounters& run, std::int64_t every_ms);
    void checkpoint(const RunCounters& run) override {
        checkpoint(run, std::int64_t{10} * 60 * 1000);
    }
    /// Writes the end the run is heading for, so that a second signal that
    /// ends the process at once leaves it ended, not crashed; close() still
    /// writes the last counts.
    void note_ending(EndReason reason, const std::string& detail, const RunCounters& run) override;
    /// The closing line; `timing` gives the clock guard's figures, where any.
    void close(EndReason reason, const std::string& detail, const RunCounters& run,
               const TimingSource& timing) override;

    [[nodiscard]] bool is_open() const override { return open_; }
    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    /// Hands the record to the writer; `wait`: until it is written, bounded.
    void write(const RunCounters& run, bool wait = false);

    std::string path_;
    std::unique_ptr<LineAppender> writer_;
    RunRecord record_;
    bool open_ = false;
};

}  // namespace feedrite
