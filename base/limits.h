// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sizes and values the program accepts, in one place: each limit keeps a
// bad or hostile input from hanging the program, filling the disk or memory,
// or wrapping a counter.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace feedrite {

/// A program, a sub file, a binary file and the expanded program as a whole:
/// far above any tape (a 1,000-foot reel holds 120 KB).
inline constexpr std::int64_t program_size_limit = 256LL << 20;

/// Sub-file passes in one load. Each pass opens its file again: empty files
/// called in nested loops could ask for hundreds of millions, and the load
/// would stay busy for minutes before the size limit ended it.
inline constexpr std::int64_t max_sub_file_passes = 100'000;

/// Bytes of sub files read in one load, over all passes (each pass reads its
/// whole file, lines skipped as end of program included): the bound on the
/// work of a load whatever its output, so repeats of a large file that adds
/// nothing (only M30 lines) end as soon as those that add as much.
inline constexpr std::int64_t max_sub_file_bytes = program_size_limit;

/// What one load may cost; smaller in the fuzz build, so that a slow input
/// there is a real hang and not a large but bounded load.
struct LoadBudget {
    std::int64_t passes = max_sub_file_passes;
    std::int64_t sub_file_bytes = max_sub_file_bytes;
    std::int64_t program_bytes = program_size_limit;
};

/// Lines a load reads (written or skipped) between two yields to the window.
inline constexpr int load_lines_per_yield = 1000;

/// The history of runs: moved to history.jsonl.1 when it reaches this size,
/// so two files never hold much more than twice it.
inline constexpr std::int64_t history_rotate_bytes = 16LL << 20;

/// What `--history` reads from the end of the history (and of the file
/// before it): the same cost for any size of history.
inline constexpr std::int64_t history_tail_bytes = 4LL << 20;

/// How long a history writer waits for another one's lock, off the tape's
/// path, before it tries again later.
inline constexpr int history_lock_wait_ms = 200;

/// How long the end of a run waits for its history line to be written.
inline constexpr int history_close_wait_ms = 2000;

/// The longest device name, in bytes: its settings file's name ("Editor BTR
/// port settings for " and the name) and that file's temporary name (a "."
/// before and ".feedrite-save" after) must fit a file name's 255 bytes.
inline constexpr std::size_t max_device_name_bytes = 255 - 29 - 1 - 14;

/// A settings file, the device list and the editor settings.
inline constexpr std::int64_t settings_size_limit = 16LL << 20;

/// The longest time a device may set for one step of a character or the
/// delay between blocks, in milliseconds.
inline constexpr double max_delay_ms = 10000;

/// The most passes one delay makes: the delay loop counts in 32 bits.
inline constexpr double max_loop_count = std::numeric_limits<std::int32_t>::max();

/// How long a second load, or a second save of the device list, waits for
/// the first to finish, in milliseconds.
inline constexpr int lock_wait_ms = 5000;

}  // namespace feedrite
