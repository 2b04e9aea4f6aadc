#pragma once

#include "core/Site.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// A site whose refreshes play a script: each call takes the next step (a list to install
// with its delay, or a failure with the wait it asks for). When the script runs out, a
// failing script keeps failing and a succeeding one repeats its last list unchanged. Steps
// may be added while it runs.
class ScriptedSite : public Site {
public:
    using Clock = std::chrono::steady_clock;

    void Succeed(const UserList& list, int delayMs);
    // Like Succeed, but the call installs the list and then holds the refreshing thread
    // until Release() (or a stop request), as a download whose list is in but not yet posted.
    void SucceedAndHold(const UserList& list, int delayMs);
    // A failure asking for retryMs before the next try; with busyMs > 0 the call first
    // blocks that long, like a slow download.
    void Fail(int busyMs = 0, int retryMs = 0);
    // A failure after which the site has given up.
    void GiveUp();

    // True once a held call is waiting for Release(), within the time limit.
    bool WaitUntilHeld(int timeoutMs = 10000);
    void Release();

    int UpdateUserList() override;
    int GetRetryDelay() const override;
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
        int retryMs;
        bool hold;
    };

    void Hold();

    mutable std::mutex m_guard;
    std::condition_variable m_held;
    std::deque<Step> m_steps;
    Step m_last{false, UserList(), 0, 0, 0, false};
    std::vector<Clock::time_point> m_calls;
    int m_finished = 0;
    long m_caller = 0;
    bool m_holding = false;
    bool m_released = false;
};

// A list from (name, status) pairs.
UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users);
