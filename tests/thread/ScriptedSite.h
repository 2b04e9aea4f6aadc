#pragma once

#include "core/Site.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// A site whose refreshes play a script: each call takes the next step (a list to install
// with its delay, or a failure). When the script runs out, a failing script keeps failing
// and a succeeding one repeats its last list unchanged. Steps may be added while it runs.
class ScriptedSite : public Site {
public:
    using Clock = std::chrono::steady_clock;

    void Succeed(const UserList& list, int delayMs);
    // A failure; with busyMs > 0 the call first blocks that long, like a slow download.
    void Fail(int busyMs = 0);

    int UpdateUserList() override;
    bool OnInit() override { return true; }
    void OnExit() override {}

    // Calls begun and calls that have returned.
    int Started() const;
    int Finished() const;
    // The system thread id of the caller of the latest call.
    long CallerThread() const;
    // When each call began.
    std::vector<Clock::time_point> CallTimes() const;

private:
    struct Step {
        bool ok;
        UserList list;
        int delayMs;
        int busyMs;
    };

    mutable std::mutex m_guard;
    std::deque<Step> m_steps;
    Step m_last{false, UserList(), 0, 0};
    std::vector<Clock::time_point> m_calls;
    int m_finished = 0;
    long m_caller = 0;
};

// A list from (name, status) pairs.
UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users);
