#include "tests/thread/ScriptedSite.h"

#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

void ScriptedSite::Succeed(const UserList& list, int delayMs) {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({true, list, delayMs, 0});
}

void ScriptedSite::Fail(int busyMs) {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({false, UserList(), 0, busyMs});
}

int ScriptedSite::UpdateUserList() {
    Step step;
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_calls.push_back(Clock::now());
        m_caller = static_cast<long>(syscall(SYS_gettid));
        if (!m_steps.empty()) {
            m_last = m_steps.front();
            m_steps.pop_front();
        }
        step = m_last;
    }
    if (step.busyMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(step.busyMs));
    else if (!step.ok)
        // A failing site must not make the test spin a core while it waits.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (step.ok)
        SetUserList(step.list);
    std::lock_guard<std::mutex> lock(m_guard);
    ++m_finished;
    return step.ok ? step.delayMs : 0;
}

int ScriptedSite::Started() const {
    std::lock_guard<std::mutex> lock(m_guard);
    return static_cast<int>(m_calls.size());
}

int ScriptedSite::Finished() const {
    std::lock_guard<std::mutex> lock(m_guard);
    return m_finished;
}

long ScriptedSite::CallerThread() const {
    std::lock_guard<std::mutex> lock(m_guard);
    return m_caller;
}

std::vector<ScriptedSite::Clock::time_point> ScriptedSite::CallTimes() const {
    std::lock_guard<std::mutex> lock(m_guard);
    return m_calls;
}

UserList MakeList(std::initializer_list<std::pair<const char*, unsigned long>> users) {
    UserList list;
    for (const auto& user : users)
        list.AddUser(User(user.first, user.second));
    return list;
}
