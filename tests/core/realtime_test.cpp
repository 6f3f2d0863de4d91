// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/realtime.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace feedrite {
namespace {

class ScriptedScheduler final : public Scheduler {
  public:
    std::optional<long> limit;
    int fifo_answer = 0, lock_answer = 0;
    bool unlimited_memlock = false;
    int asked = -1;
    bool precise = false, locked = false;

    std::optional<long> rtprio_limit() override { return limit; }
    int set_fifo(int priority) override { return asked = priority, fifo_answer; }
    void precise_sleeps() override { precise = true; }
    bool memlock_unlimited() override { return unlimited_memlock; }
    int lock_memory() override { return locked = lock_answer == 0, lock_answer; }
    std::pair<int, std::string> service{0, "no service here"};
    std::pair<int, std::string> ask_service(int) override { return service; }
};

// Refused by the limit, the desktop's service is asked; its refusal is told
// with the limit's.
TEST(Realtime, TheServiceIsAskedWhereTheLimitRefuses) {
    for (const int granted : {8, 0}) {
        ScriptedScheduler scheduler;
        scheduler.limit = 0, scheduler.fifo_answer = EPERM;
        scheduler.service = {granted, granted != 0 ? "" : "no RealtimeKit service answers"};
        const RealtimeState state = request_realtime(scheduler);
        EXPECT_EQ(state.granted, granted != 0);
        EXPECT_EQ(state.through_service, granted != 0);
        EXPECT_EQ(state.priority, granted);
        EXPECT_NE(state.note.find(granted != 0 ? "Real-time priority 8 (SCHED_FIFO, from the "
                                                 "desktop's RealtimeKit service)"
                                               : "(Operation not permitted), and no RealtimeKit"),
                  std::string::npos)
            << state.note;
    }
}

// Granted at the wanted level or the user's lower limit; refused with the
// reason and the way to allow it; memory locked only where no limit binds.
TEST(Realtime, GrantedRefusedAndTheMemoryLock) {
    struct Case {
        const char* name;
        std::optional<long> limit;
        int fifo, lock;
        bool unlimited;
        int asked;
        bool granted, locked;
        const char* note;
    };
    const Case cases[] = {
        {"no limit, memory locked", std::nullopt, 0, 0, true, 10, true, true,
         "Real-time priority 10 (SCHED_FIFO), memory locked."},
        {"a lower limit", 5, 0, 0, false, 5, true, false,
         "Real-time priority 5 (SCHED_FIFO); memory not locked."},
        {"limit 0 still asks: a privileged user passes", 0, 0, ENOMEM, true, 10, true, false,
         "memory not locked"},
        {"refused", 0, EPERM, 0, true, 10, false, false, "refused (Operation not permitted)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedScheduler scheduler;
        scheduler.limit = c.limit, scheduler.fifo_answer = c.fifo, scheduler.lock_answer = c.lock;
        scheduler.unlimited_memlock = c.unlimited;
        const RealtimeState state = request_realtime(scheduler);
        EXPECT_TRUE(scheduler.precise);
        EXPECT_EQ(scheduler.asked, c.asked);
        EXPECT_EQ(state.granted, c.granted);
        EXPECT_EQ(state.memory_locked, c.locked);
        EXPECT_EQ(scheduler.locked, c.locked);
        EXPECT_NE(state.note.find(c.note), std::string::npos) << state.note;
        if (!c.granted) {
            EXPECT_NE(state.note.find("@lp - rtprio 10"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace feedrite
