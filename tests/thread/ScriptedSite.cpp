#include "tests/thread/ScriptedSite.h"

#include <wx/thread.h>

#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

void ScriptedSite::Succeed(const UserList& list, int delayMs) {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({true, list, delayMs, 0, 0, false});
}

void ScriptedSite::SucceedAndHold(const UserList& list, int delayMs) {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({true, list, delayMs, 0, 0, true});
}

void ScriptedSite::Fail(int busyMs, int retryMs) {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({false, UserList(), 0, busyMs, retryMs, false});
}

void ScriptedSite::GiveUp() {
    std::lock_guard<std::mutex> lock(m_guard);
    m_steps.push_back({false, UserList(), 0, 0, GAVE_UP, false});
}

int ScriptedSite::UpdateUserList() {
    Step step;
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_calls.push_back(Clock::now());
        m_caller = static_cast<long>(syscall(SYS_gettid));
        const bool fresh = !m_steps.empty();
        if (fresh) {
            m_last = m_steps.front();
            m_steps.pop_front();
        }
        step = m_last;
        // A repeated step never holds again.
        step.hold = fresh && step.hold;
    }
    if (step.busyMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(step.busyMs));
    else if (!step.ok)
        // A failing site must not make the test spin a core while it waits.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (step.ok)
        SetUserList(step.list);
    if (step.hold)
        Hold();
    std::lock_guard<std::mutex> lock(m_guard);
    ++m_finished;
    return step.ok ? step.delayMs : 0;
}

int ScriptedSite::GetRetryDelay() const {
    std::lock_guard<std::mutex> lock(m_guard);
    return m_last.retryMs;
}

void ScriptedSite::Hold() {
    wxThread* self = wxThread::IsMain() ? nullptr : wxThread::This();
    std::unique_lock<std::mutex> lock(m_guard);
    m_holding = true;
    m_released = false;
    m_held.notify_all();
    while (!m_released && !(self && self->TestDestroy()))
        m_held.wait_for(lock, std::chrono::milliseconds(10));
    m_holding = false;
}

bool ScriptedSite::WaitUntilHeld(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_guard);
    return m_held.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_holding; });
}

void ScriptedSite::Release() {
    {
        std::lock_guard<std::mutex> lock(m_guard);
        m_released = true;
        m_holding = false;
    }
    m_held.notify_all();
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
