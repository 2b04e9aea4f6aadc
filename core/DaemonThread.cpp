#include "core/DaemonThread.h"

#include "core/UserListEvent.h"
#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/stopwatch.h>

#include <algorithm>

namespace {

const wxThread::ExitCode kStoppedBeforeFirstList = reinterpret_cast<wxThread::ExitCode>(1);
const wxThread::ExitCode kStopped = nullptr;

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
    m_handlers.push_back(handler);
}

bool DaemonThread::ShouldExit() {
    if (TestDestroy())
        return true;
    Yield();
    return false;
}

wxThread::ExitCode DaemonThread::Entry() {
    wxLogTrace(ROD_TRACE, "[%p]DaemonThread::Entry(void)", this);
    long delay;
    while ((delay = m_site->UpdateUserList()) == 0) {
        if (ShouldExit())
            return kStoppedBeforeFirstList;
        Yield();
    }

    UserList snapshot = m_site->GetUserList();
    unsigned long listNumber = 1;
    {
        UserListEvent event(wxEVT_USER_LIST_INITIALIZED, -1);
        event.SetUserList(snapshot);
        if (!PostToHandlers(event))
            return kStopped;
    }

    // The delay runs from the start of one refresh to the start of the next.
    wxStopWatch watch;
    for (;;) {
        if (ShouldExit())
            return kStopped;
        if (watch.Time() < delay) {
            // Under 10 ms a tenth would be 0: sleeping at least 1 ms keeps it off the processor.
            Sleep(std::max(delay / 10, 1L));
            continue;
        }
        watch.Start();
        const long next = m_site->UpdateUserList();
        if (next == 0) {
            delay = 0; // retried at once
            continue;
        }
        const UserList newer = m_site->GetUserList();
        UserList added, deleted, changed;
        snapshot.GetDifference(newer, added, deleted, changed);
        ++listNumber;
        if (!PostUsers(added, wxEVT_USER_ADDED, nullptr, listNumber) ||
            !PostUsers(deleted, wxEVT_USER_DELETED, nullptr, listNumber) ||
            !PostUsers(changed, wxEVT_USER_CHANGED, &snapshot, listNumber))
            return kStopped;
        snapshot = newer;
        delay = next;
    }
}

bool DaemonThread::PostUsers(const UserList& users, wxEventType type, const UserList* older,
                             unsigned long listNumber) {
    for (const auto& entry : users) {
        UserEvent event(entry.second, type, UserEvent::NO_OLD_STATUS);
        event.SetListNumber(listNumber);
        if (older)
            event.SetOldStatus(older->GetUser(entry.first).GetStatus());
        if (!PostToHandlers(event))
            return false;
    }
    return true;
}

bool DaemonThread::PostToHandlers(const wxEvent& event) {
    // Held for the whole walk, so a handler added meanwhile gets this event entirely or not
    // at all; posting only queues, so the GUI thread waits briefly at most.
    std::lock_guard<std::mutex> lock(m_handlersGuard);
    for (wxEvtHandler* handler : m_handlers) {
        if (ShouldExit())
            return false;
        if (handler)
            handler->AddPendingEvent(event);
    }
    return true;
}
