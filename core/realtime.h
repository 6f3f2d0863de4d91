// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real-time priority for the thread that sends: on a busy PC every delay of
// a normal thread is stretched by the programs it shares the cores with
// (measured: the tape at 53 to 59 % of its speed with both cores busy). It
// is asked for where the system allows it, and the operator is told which.

#include <optional>
#include <string>
#include <utility>

namespace feedrite {

/// The system as the request needs it; scripted in tests.
class Scheduler {
  public:
    virtual ~Scheduler() = default;
    /// RLIMIT_RTPRIO's soft limit; nullopt for no limit.
    virtual std::optional<long> rtprio_limit() = 0;
    /// Puts the calling thread under SCHED_FIFO at `priority`: 0, or errno.
    virtual int set_fifo(int priority) = 0;
    /// Asks for sleeps woken on time (the timer slack of a normal thread is 50 us).
    virtual void precise_sleeps() = 0;
    /// Whether RLIMIT_MEMLOCK lets the whole process be locked in memory.
    virtual bool memlock_unlimited() = 0;
    /// Locks the process's memory, now and to come: 0, or errno.
    virtual int lock_memory() = 0;
    /// Asks the desktop's real-time service (RealtimeKit) to put the calling
    /// thread under SCHED_FIFO at `priority` or the service's lower limit:
    /// the priority granted, or why not. Without such a service: why not.
    virtual std::pair<int, std::string> ask_service(int priority);
    /// Puts the calling thread back under the normal scheduler.
    virtual void set_normal() {}
};

/// The running system: pthread, setrlimit's limits, mlockall, prctl.
class SystemScheduler : public Scheduler {
  public:
    std::optional<long> rtprio_limit() override;
    int set_fifo(int priority) override;
    void set_normal() override;
    void precise_sleeps() override;
    bool memlock_unlimited() override;
    int lock_memory() override;
};

/// A modest priority: above every normal program, below the kernel's own
/// real-time threads and audio servers.
inline constexpr int wanted_rt_priority = 10;

struct RealtimeState {
    bool granted = false;
    bool through_service = false;  ///< RealtimeKit's, not the user's own limit
    int priority = 0;
    bool memory_locked = false;
    std::string note;  ///< one line for the timing panel's tooltip
};

/// Asks for SCHED_FIFO at `wanted_rt_priority` (or the lower limit the user
/// has) and, once granted and allowed without limit, locks the memory; never
/// fails the run.
[[nodiscard]] RealtimeState request_realtime(Scheduler& scheduler);

/// Puts the calling thread back at normal priority: loading, reloading and
/// drawing never run at real-time priority.
void end_realtime(Scheduler& scheduler, RealtimeState& state);

/// Where the service granted real-time priority, RLIMIT_RTTIME bounds the
/// CPU time the thread may spin without sleeping: its soft limit's SIGXCPU
/// drops the thread `tid` to normal priority (instead of the default, which
/// ends the program) and is told by realtime_dropped().
void drop_realtime_on_sigxcpu(long tid);
[[nodiscard]] bool realtime_dropped();

/// For --help: what the window asks for and how an administrator allows it,
/// the same on every PC (the man page is made from --help).
[[nodiscard]] std::string realtime_help();

/// What this user may have now, one sentence.
[[nodiscard]] std::string realtime_allowed(Scheduler& scheduler);

}  // namespace feedrite
