// SPDX-License-Identifier: GPL-3.0-or-later
// feedrite-tape: shows what a control reads when feedrite sends a program.

#include <csignal>
#include <iostream>

#include "base/file_user.h"
#include "base/stop_request.h"
#include "tools/tape_tool.h"

namespace {

constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void on_ending_signal(int number) {
    feedrite::request_stop(number);
}

}  // namespace

int main(int argc, char** argv) {
    // The virtual port needs nothing of root: under sudo, it is left for good.
    if (const std::string error = feedrite::become_invoking_user(); !error.empty()) {
        std::cerr << "feedrite-tape: " << error << '\n';
        return 1;
    }
    // A signal stops the run at its next yield, so the scratchpad is removed.
    struct sigaction action {};
    action.sa_handler = on_ending_signal;
    sigemptyset(&action.sa_mask);
    for (const int number : ending_signals) ::sigaction(number, &action, nullptr);
    std::ios::sync_with_stdio(false);
    const int status =
        feedrite::run_tape({argv + (argc > 0 ? 1 : 0), argv + argc}, std::cout, std::cerr);
    if (const int number = feedrite::stop_signal(); number != 0) {
        // Ended as the signal would have ended it, so a shell sees which.
        std::cout.flush();
        std::signal(number, SIG_DFL);
        std::raise(number);
    }
    return status;
}
