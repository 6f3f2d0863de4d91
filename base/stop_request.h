// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stop asked for by a signal (SIGTERM, SIGINT, SIGHUP): the handler sets
// it, and every stage that may run for seconds without a yield (reading the
// lines of a large program, the motion model, the toolpath) polls it and
// ends early, so the program can end in an orderly way within a second.

namespace feedrite {

/// Async-signal-safe: may be called from a signal handler.
void request_stop(int signal_number) noexcept;
/// Takes the request back: for whoever put the handlers that set it back.
void withdraw_stop_request() noexcept;
/// The signal that asked for the stop; 0 while none has.
[[nodiscard]] int stop_signal() noexcept;
[[nodiscard]] inline bool stop_requested() noexcept {
    return stop_signal() != 0;
}

/// Polled every `Every` steps of a long loop: cheap enough for any loop.
template <unsigned Every = 4096>
[[nodiscard]] bool stop_requested_at(unsigned long long step) noexcept {
    return step % Every == 0 && stop_requested();
}

}  // namespace feedrite
