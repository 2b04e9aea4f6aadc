#include "core/DaemonThread.h"

#include "core/LinkState.h"
#include "core/UserListEvent.h"
#include "resources/Trace.h"

#include <wx/log.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

const wxThread::ExitCode STOPPED_BEFORE_FIRST_LIST = reinterpret_cast<wxThread::ExitCode>(1);
const wxThread::ExitCode STOPPED = nullptr;
// After a give-up the thread only waits for its stop; this is how often it looks.
const std::chrono::seconds IDLE_CHECK{1};

} // namespace

DaemonThread::DaemonThread(Site* site, wxThreadKind kind, unsigned int priority,
                           unsigned int stackSize)
    : wxThread(kind), m_site(site) {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::DaemonThread(%p)", this, site);
    // A failure leaves an object whose Run fails; the owner notices it there.
    if (Create(stackSize) == wxTHREAD_NO_ERROR)
        SetPriority(priority);
}

DaemonThread::~DaemonThread() {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::~DaemonThread(void)", this);
    // An owner that forgot Delete() still gets a stopped and joined thread, never one that
    // runs on in a freed object. Detached threads delete themselves.
    if (!IsDetached() && IsAlive())
        Delete();
}

void DaemonThread::AddEventHandler(wxEvtHandler* handler) {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::AddEventHandler(%p)", this, handler);
    std::lock_guard<std::mutex> lock(m_handlersGuard);
    m_handlers.push_back({handler, Audience::FIRST_LIST_TAKERS});
}

void DaemonThread::AddListObserver(wxEvtHandler* observer) {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::AddListObserver(%p)", this, observer);
    std::lock_guard<std::mutex> lock(m_handlersGuard);
    m_handlers.push_back({observer, Audience::OBSERVERS});
}

void DaemonThread::RegisterWithCurrentList(wxEvtHandler* handler,
                                           const std::function<void(const UserList&)>& postList) {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::RegisterWithCurrentList(%p)", this, handler);
    std::lock_guard<std::mutex> lock(m_handlersGuard);
    postList(m_posted);
    if (std::none_of(m_handlers.begin(), m_handlers.end(),
                     [handler](const Registration& r) { return r.handler == handler; }))
        m_handlers.push_back({handler, Audience::OTHERS});
}

bool DaemonThread::ShouldExit() {
    if (TestDestroy())
        return true;
    Yield();
    return false;
}

void DaemonThread::RefreshSoon() {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::RefreshSoon()", this);
    {
        std::lock_guard<std::mutex> lock(m_stopGuard);
        m_refreshRequested = true;
    }
    m_stopSignal.notify_all();
}

void DaemonThread::OnDelete() {
    {
        std::lock_guard<std::mutex> lock(m_stopGuard);
        m_stopRequested = true;
    }
    m_stopSignal.notify_all();
}

wxThread::ExitCode DaemonThread::Entry() {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::Entry(void)", this);
    long delay = 0;
    wxDateTime started;
    for (;;) {
        if (!WaitForLink())
            return STOPPED_BEFORE_FIRST_LIST;
        started = wxDateTime::Now();
        if ((delay = m_site->UpdateUserList()) != 0)
            break;
        if (!WaitToRetry())
            return STOPPED_BEFORE_FIRST_LIST;
    }
    if (!PublishChanges(m_site->GetUserList(), true, started))
        return STOPPED;

    // The delay runs from the start of one refresh to the start of the next.
    Clock::time_point next = Clock::now() + std::chrono::milliseconds(delay);
    for (;;) {
        if (!WaitUntil(next) || !WaitForLink())
            return STOPPED;
        const Clock::time_point begun = Clock::now();
        started = wxDateTime::Now();
        const long after = m_site->UpdateUserList();
        if (after == 0) {
            if (!WaitToRetry())
                return STOPPED;
            next = Clock::now();
            continue;
        }
        if (!PublishChanges(m_site->GetUserList(), false, started))
            return STOPPED;
        next = begun + std::chrono::milliseconds(after);
    }
}

bool DaemonThread::WaitUntil(Clock::time_point deadline) {
    for (;;) {
        if (ShouldExit())
            return false;
        const Clock::time_point now = Clock::now();
        std::unique_lock<std::mutex> lock(m_stopGuard);
        // A refresh request ends the wait as its time would, and is used up by it.
        if (std::exchange(m_refreshRequested, false) || now >= deadline)
            return true;
        if (m_stopSignal.wait_until(lock, deadline,
                                    [this] { return m_stopRequested || m_refreshRequested; }) &&
            m_stopRequested)
            return false;
    }
}

bool DaemonThread::WaitForLink() {
    // The watches of the network and the sleep ask for a refresh when the link is back; a look
    // every second besides covers a request used up by a wait before the link came back.
    while (!LinkState::CanAsk())
        if (!WaitUntil(Clock::now() + IDLE_CHECK))
            return false;
    return true;
}

bool DaemonThread::WaitToRetry() {
    const int retry = m_site->GetRetryDelay();
    if (retry != Site::GAVE_UP)
        return WaitUntil(Clock::now() + std::chrono::milliseconds(retry));
    // The user was told and the user interface is closing: no download any more.
    while (WaitUntil(Clock::now() + IDLE_CHECK)) {
    }
    return false;
}

bool DaemonThread::PublishChanges(const UserList& newer, bool firstList,
                                  const wxDateTime& started) {
    UserList added, deleted, changed;
    m_posted.GetDifference(newer, added, deleted, changed);
    ++m_listNumber;
    // Held for the whole refresh, so a handler that registers meanwhile gets its events
    // entirely or not at all; posting only queues, so the GUI thread waits briefly at most.
    std::lock_guard<std::mutex> lock(m_handlersGuard);
    if (firstList) {
        UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
        event.SetUserList(newer);
        if (!PostToHandlers(event, Audience::FIRST_LIST_TAKERS))
            return false;
    }
    // Before the first list the posted list is empty: everybody in it is an addition.
    const Audience audience = firstList ? Audience::OTHERS : Audience::ALL;
    if (!PostUsers(added, wxEVT_USER_ADDED, nullptr, audience) ||
        !PostUsers(deleted, wxEVT_USER_DELETED, nullptr, audience) ||
        !PostUsers(changed, wxEVT_USER_CHANGED, &m_posted, audience))
        return false;
    // The whole list is copied only for someone who wants it.
    if (std::any_of(m_handlers.begin(), m_handlers.end(),
                    [](const Registration& r) { return r.kind == Audience::OBSERVERS; })) {
        UserListEvent refreshed(wxEVT_USER_LIST_REFRESHED, -1);
        refreshed.SetUserList(newer);
        refreshed.SetListNumber(m_listNumber);
        refreshed.SetTime(started);
        if (!PostToHandlers(refreshed, Audience::OBSERVERS))
            return false;
    }
    m_posted = newer;
    return true;
}

bool DaemonThread::PostUsers(const UserList& users, wxEventType type, const UserList* older,
                             Audience audience) {
    for (const auto& entry : users) {
        UserEvent event(entry.second, type, UserEvent::NO_OLD_STATUS);
        event.SetListNumber(m_listNumber);
        if (older)
            event.SetOldStatus(older->GetUser(entry.first).GetStatus());
        if (!PostToHandlers(event, audience))
            return false;
    }
    return true;
}

bool DaemonThread::PostToHandlers(const wxEvent& event, Audience audience) {
    for (const Registration& registration : m_handlers) {
        const bool wanted = audience == Audience::ALL ? registration.kind != Audience::OBSERVERS
                                                      : registration.kind == audience;
        if (!wanted)
            continue;
        if (ShouldExit())
            return false;
        if (registration.handler)
            registration.handler->AddPendingEvent(event);
    }
    return true;
}
