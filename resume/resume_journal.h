// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The crash record: where the control was in a program on a device, kept in
// a small file per device so that a window opened after a crash, a kill or a
// power cut can offer to resume there. Written atomically (a new file renamed
// over the old), at most once a second, by a thread of its own, so the tape
// never waits for the disk.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/file_io.h"

namespace feedrite {

struct ResumeRecord {
    std::string program;  ///< the program file
    std::string sha256;   ///< of the program's text as loaded (hex)
    std::string device;
    std::int64_t line = 0;  ///< the line of the block the control last finished; 0: none
    bool running = false;   ///< a run was under way: it has not ended cleanly
};

/// Where a device's record lives: STATE_DIR/resume/DEVICE.json, with the
/// characters a file name cannot hold written as %XX; empty without a state
/// folder.
[[nodiscard]] std::string resume_journal_path(const std::string& device,
                                              const std::string& state_dir);
/// The same, in this user's state folder.
[[nodiscard]] std::string resume_journal_path(const std::string& device);

[[nodiscard]] std::string format_resume_record(const ResumeRecord& record);
/// Nothing for text that is not one whole record (a torn or foreign file).
[[nodiscard]] std::optional<ResumeRecord> parse_resume_record(std::string_view text);
[[nodiscard]] std::optional<ResumeRecord> read_resume_record(const std::string& path);
/// Creates the folders, then writes the file atomically. False on failure,
/// with `error` (when given) saying why.
bool write_resume_record(const std::string& path, const ResumeRecord& record,
                         FileError* error = nullptr);

/// The line to offer: the record's, when a run of this program (same text)
/// on this device did not end cleanly and the line is in the program.
[[nodiscard]] std::optional<std::int64_t> line_to_resume(const std::optional<ResumeRecord>& record,
                                                         const std::string& sha256,
                                                         const std::string& device,
                                                         std::int64_t line_count);

/// Keeps a record up to date from the send path. `record` costs two atomic
/// stores; the thread writes what changed at most once per `interval`.
class JournalWriter {
  public:
    /// `digest`, when given, runs first on the thread and gives the record's
    /// SHA-256, so working it out keeps nobody waiting. `warn` is told, once
    /// and from the thread, why the record could not be written.
    JournalWriter(std::string path, ResumeRecord identity,
                  std::chrono::milliseconds interval = std::chrono::seconds(1),
                  std::function<std::string()> digest = nullptr,
                  std::function<void(const std::string&)> warn = nullptr);
    /// Writes the latest state, then stops the thread.
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    void record(std::int64_t line, bool running) {
        latest_.store(line * 2 + (running ? 1 : 0), std::memory_order_relaxed);
    }

  private:
    void run();
    void write_latest();

    std::string path_;
    ResumeRecord record_;
    std::chrono::milliseconds interval_;
    std::function<std::string()> digest_;
    std::function<void(const std::string&)> warn_;
    std::atomic<std::int64_t> latest_;  ///< line * 2 + running, read whole
    std::int64_t written_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace feedrite
