// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appends the latest of a stream of whole records to a shared file from a
// thread of its own: the caller (the window, between blocks of a run) never
// waits for another program's lock or for the disk.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/append_line.h"

namespace feedrite {

class LineAppender {
  public:
    /// `failed` runs on the thread after each write that failed.
    LineAppender(std::string path, AppendRules rules,
                 std::function<void(const FileError&)> failed = nullptr);
    /// Writes what is still pending (one try), then stops the thread.
    ~LineAppender();
    LineAppender(const LineAppender&) = delete;
    LineAppender& operator=(const LineAppender&) = delete;

    /// Hands a line to the thread and returns at once. Each line is a whole
    /// record that supersedes the one before: a line not yet written when
    /// the next comes is dropped, and one that met a held lock is tried again
    /// `retry` later unless a newer one came.
    void post(std::string line);
    /// Posts `line` and waits until it is written or `timeout` has passed:
    /// for the end of a run, which should reach the disk before the process
    /// ends. False when it was not written in time.
    bool post_and_wait(std::string line, std::chrono::milliseconds timeout);

    static constexpr std::chrono::milliseconds retry{1000};

  private:
    void run();

    std::string path_;
    AppendRules rules_;
    std::function<void(const FileError&)> failed_;
    std::mutex mutex_;
    std::condition_variable wake_, written_;
    std::optional<std::string> pending_;
    long posted_ = 0;          ///< the number of the last line posted
    long tried_ = 0;           ///< of the last line tried
    long written_number_ = 0;  ///< of the last line written
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace feedrite
