// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/signal_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

#include "base/stop_request.h"

namespace feedrite {
namespace {

constexpr int watched[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t received = 0;
volatile std::sig_atomic_t recorded = 0;  // the orderly end's record is on disk
volatile std::sig_atomic_t repeated = 0;
int write_end = -1;

// How long a repeated signal waits for the orderly end to record itself.
constexpr unsigned record_grace_seconds = 3;

// Async-signal-safe only: flags, write(), alarm() and _exit().
extern "C" void on_alarm(int) {
    _exit(128 + repeated);
}

extern "C" void on_signal(int number) {
    if (received != 0) {
        // The orderly end did not come: end now, once the run is on record as
        // ended by the signal. A second signal may come before the loop has
        // read the first (it was busy loading); cut short then, the run would
        // read as a crash.
        if (recorded != 0) _exit(128 + number);
        if (repeated == 0) ::alarm(record_grace_seconds);
        repeated = number;
        return;
    }
    received = number;
    request_stop(number);  // polled by the stages that do not yield
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(write_end, &byte, 1);
}

}  // namespace

std::string signal_name(int number) {
    switch (number) {
        case SIGTERM:
            return "SIGTERM";
        case SIGINT:
            return "SIGINT";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(number);
    }
}

SignalWatch::SignalWatch(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    received = 0;
    recorded = 0;
    repeated = 0;
    write_end = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::read_pipe);
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : watched) ::sigaction(number, &action, nullptr);
    action.sa_handler = on_alarm;
    ::sigaction(SIGALRM, &action, nullptr);
}

void SignalWatch::ending_recorded() {
    recorded = 1;
}

SignalWatch::~SignalWatch() {
    ::alarm(0);
    for (const int number : watched) std::signal(number, SIG_DFL);
    std::signal(SIGALRM, SIG_DFL);
    withdraw_stop_request();
    write_end = -1;
    for (const int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void SignalWatch::read_pipe() {
    unsigned char byte = 0;
    if (::read(pipe_[0], &byte, 1) == 1) emit ending(QString::fromStdString(signal_name(byte)));
}

}  // namespace feedrite
