#include "gui/signal_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace feedrite {
namespace {

constexpr int watched[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t received = 0;
int write_end = -1;

// Async-signal-safe only: a flag, write() and _exit().
extern "C" void on_signal(int number) {
    if (received != 0) _exit(128 + number);  // the orderly end did not come: end now
    received = number;
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
    write_end = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::read_pipe);
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : watched) ::sigaction(number, &action, nullptr);
}

SignalWatch::~SignalWatch() {
    for (const int number : watched) std::signal(number, SIG_DFL);
    write_end = -1;
    for (const int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void SignalWatch::read_pipe() {
    unsigned char byte = 0;
    if (::read(pipe_[0], &byte, 1) == 1) emit ending(QString::fromStdString(signal_name(byte)));
}

}  // namespace feedrite
