// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/line_appender.h"

namespace feedrite {

LineAppender::LineAppender(std::string path, AppendRules rules,
                           std::function<void(const FileError&)> failed)
    : path_(std::move(path)),
      rules_(rules),
      failed_(std::move(failed)),
      thread_([this] { run(); }) {}

LineAppender::~LineAppender() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LineAppender::post(std::string line) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = std::move(line);
        ++posted_;
    }
    wake_.notify_one();
}

bool LineAppender::post_and_wait(std::string line, std::chrono::milliseconds timeout) {
    post(std::move(line));
    std::unique_lock lock(mutex_);
    const long mine = posted_;
    // Settled: written, or tried and given up (a failure other than a held lock).
    written_.wait_for(lock, timeout,
                      [&] { return written_number_ >= mine || (tried_ >= mine && !pending_); });
    return written_number_ >= mine;
}

void LineAppender::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        // A line that met a held lock waits `retry` for a newer one or another try.
        wake_.wait_for(lock, retry, [this] { return stop_ || (pending_ && tried_ < posted_); });
        if (!pending_) {
            if (stop_) return;
            continue;
        }
        const std::string line = *pending_;
        const long number = posted_;
        lock.unlock();
        const FileError error = append_line(path_, line, rules_);
        if (!error.ok() && failed_) failed_(error);
        lock.lock();
        // A held lock keeps the line for the next try; any other failure would only repeat.
        if (posted_ == number && error.code != FileErrorCode::Busy) pending_.reset();
        if (error.ok()) written_number_ = number;
        tried_ = number;
        written_.notify_all();
        if (stop_) return;
    }
}

}  // namespace feedrite
