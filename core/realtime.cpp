// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/realtime.h"

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace feedrite {
namespace {

const char* const how_to_allow =
    "An administrator allows it with the line \"@lp - rtprio 10\" in "
    "/etc/security/limits.d/feedrite.conf; the user then logs in again.";

}  // namespace

std::optional<long> SystemScheduler::rtprio_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0) return 0;
    if (limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<long>(limit.rlim_cur);
}

std::pair<int, std::string> Scheduler::ask_service(int) {
    return {0, "no real-time service is reachable"};
}

void SystemScheduler::set_normal() {
    sched_param param{};
    (void)pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
}

int SystemScheduler::set_fifo(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

void SystemScheduler::precise_sleeps() {
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

bool SystemScheduler::memlock_unlimited() {
    rlimit limit{};
    return getrlimit(RLIMIT_MEMLOCK, &limit) == 0 && limit.rlim_cur == RLIM_INFINITY;
}

int SystemScheduler::lock_memory() {
    return mlockall(MCL_CURRENT | MCL_FUTURE) == 0 ? 0 : errno;
}

RealtimeState request_realtime(Scheduler& scheduler) {
    scheduler.precise_sleeps();
    RealtimeState state;
    const std::optional<long> limit = scheduler.rtprio_limit();
    // A limit of 0 still lets a privileged user (CAP_SYS_NICE) through: ask anyway.
    const int priority = limit && *limit > 0
                             ? static_cast<int>(std::min<long>(*limit, wanted_rt_priority))
                             : wanted_rt_priority;
    if (const int error = scheduler.set_fifo(priority); error != 0) {
        // As audio programs do: the desktop's service grants what the limit does not.
        const auto [granted, why_not] = scheduler.ask_service(priority);
        if (granted == 0) {
            state.note = std::string("Normal priority: real-time priority was refused (") +
                         std::strerror(error) + "), and " + why_not +
                         "; on a busy PC the tape may slow. " + how_to_allow;
            return state;
        }
        state.through_service = true;
        state.priority = granted;
    } else {
        state.priority = priority;
    }
    state.granted = true;
    // Only without a limit: with one, a later allocation past it would fail.
    state.memory_locked = scheduler.memlock_unlimited() && scheduler.lock_memory() == 0;
    state.note = "Real-time priority " + std::to_string(state.priority) + " (SCHED_FIFO" +
                 (state.through_service ? ", from the desktop's RealtimeKit service)" : ")") +
                 (state.memory_locked ? ", memory locked." : "; memory not locked.");
    return state;
}

void end_realtime(Scheduler& scheduler, RealtimeState& state) {
    if (!state.granted) return;
    scheduler.set_normal();
    state.granted = false;
}

namespace {

std::atomic<long> rt_thread{0};
std::atomic<bool> dropped{false};
static_assert(std::atomic<long>::is_always_lock_free, "read in a signal handler");

// Async-signal-safe: one system call and two atomics.
extern "C" void on_sigxcpu(int) {
    sched_param param{};
    if (const long tid = rt_thread.load(); tid != 0)
        (void)sched_setscheduler(static_cast<pid_t>(tid), SCHED_OTHER, &param);
    dropped.store(true);
}

}  // namespace

void drop_realtime_on_sigxcpu(long tid) {
    rt_thread.store(tid);
    struct sigaction action {};
    action.sa_handler = on_sigxcpu;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGXCPU, &action, nullptr);
}

bool realtime_dropped() {
    return dropped.load();
}

std::string realtime_help() {
    return "The window sends with real-time priority " + std::to_string(wanted_rt_priority) +
           " (SCHED_FIFO) where the system allows it (RLIMIT_RTPRIO, or else the desktop's "
           "RealtimeKit service, as audio programs get it), only while the tape runs, so a busy "
           "PC does not slow the tape; its timing panel says which way it got it, or why not. " +
           how_to_allow +
           " Typed in a terminal, feedrite --help also says (on stderr) what this user may have "
           "now.";
}

std::string realtime_allowed(Scheduler& scheduler) {
    const std::optional<long> limit = scheduler.rtprio_limit();
    return !limit || *limit > 0
               ? "This user may use real-time priority up to " +
                     (limit ? std::to_string(*limit) : std::string("any level")) + "."
               : "This user may not use real-time priority (RLIMIT_RTPRIO 0) unless privileged; "
                 "the RealtimeKit service (package rtkit) may grant it.";
}

}  // namespace feedrite
