#pragma once

#include "core/Site.h"

#include <wx/datetime.h>
#include <wx/event.h>
#include <wx/thread.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// The refresh thread: calls the site's UpdateUserList periodically and posts the first list,
// then every addition, deletion and change, to the registered handlers.
//
// Between refreshes it waits the delay that the site returned; after a failed refresh it
// waits what the site's GetRetryDelay asks for, and after the site gave up it downloads
// nothing more. While the machine is offline or asleep it asks nothing until it is back. A
// stop request ends every wait at once, and a refresh request (RefreshSoon)
// ends the wait for the next download. Entry's result is 1 when the thread
// was stopped before the first successful refresh, 0 otherwise.
//
// It is joinable, unlike a detached thread whose Delete() returns at once on this platform:
// the owner calls Delete(), which returns only when Entry has ended (the handlers may be
// destroyed right after it), and then deletes the object. Delete(&rc) hands over Entry's
// result. Deleting a running thread without Delete() stops and joins it the same way. Run it
// before stopping it: the toolkit cannot end a joinable thread that never ran (deleting it
// hangs at exit, Delete() lets it touch the freed object).
class DaemonThread : public wxThread {
public:
    DaemonThread(Site* site, wxThreadKind kind = wxTHREAD_JOINABLE, unsigned int priority = 0,
                 unsigned int stackSize = 0);
    ~DaemonThread() override;

    // Safe from the GUI thread while the thread runs; never overlaps a walk of the handlers.
    // A handler added after the first list was posted gets only the per-user events.
    void AddEventHandler(wxEvtHandler* handler);

    // For a handler that builds its own list from the thread's (the favourites tree): hands
    // postList the list that the thread's events so far describe (empty before the first
    // list) and registers handler unless it is registered already, as one step with the
    // thread's posting. What postList posts to handler thus comes before every change after
    // that list, and each such change reaches handler exactly once. Such a handler never gets
    // the thread's first list whole: its users come as additions instead.
    void RegisterWithCurrentList(wxEvtHandler* handler,
                                 const std::function<void(const UserList&)>& postList);

    // A handler that wants every list whole, not the changes (the history of online times):
    // after each list's user events it gets one wxEVT_USER_LIST_REFRESHED with the whole list,
    // its number and when its download began, also for a list that changed nothing. It gets no
    // other event. Safe from the GUI thread while the thread runs.
    void AddListObserver(wxEvtHandler* observer);

    // Ends the wait for the next refresh, or the wait after a failed one, early: the site or
    // the interval changed. Any thread.
    void RefreshSoon();

    // True when a stop was requested; otherwise yields and returns false.
    bool ShouldExit();

protected:
    ExitCode Entry() override;
    void OnDelete() override;

private:
    enum class Audience { ALL, FIRST_LIST_TAKERS, OTHERS, OBSERVERS };
    struct Registration {
        wxEvtHandler* handler;
        // FIRST_LIST_TAKERS, OTHERS (registered with the current list) or OBSERVERS.
        Audience kind;
    };

    // Waits run on the monotonic clock: a wall clock set back or forward moves none of them.
    using Clock = std::chrono::steady_clock;

    // Waits until deadline, or less when a stop comes first; false then.
    bool WaitUntil(Clock::time_point deadline);
    // While the machine is offline or asleep (LinkState) nothing is asked and nothing fails:
    // waits until it is back; false on a stop.
    bool WaitForLink();
    // After a failed refresh: waits what the site asks for; false on a stop. After a give-up
    // it waits for the stop itself, so that nothing is downloaded any more.
    bool WaitToRetry();
    // Posts what changed from m_posted to newer (downloaded from started on) and makes newer
    // the posted list, as one step under the handlers' guard; false when a stop came first.
    bool PublishChanges(const UserList& newer, bool firstList, const wxDateTime& started);
    // Posts a copy of event to the handlers of the audience in registration order; false
    // when a stop came first (the remaining handlers get nothing). Under m_handlersGuard.
    bool PostToHandlers(const wxEvent& event, Audience audience);
    // Per-user events of one kind, carrying the number of the list being published; false when
    // a stop came first. Under m_handlersGuard.
    bool PostUsers(const UserList& users, wxEventType type, const UserList* older,
                   Audience audience);

    Site* m_site;
    std::mutex m_handlersGuard;
    std::vector<Registration> m_handlers;
    // What the posted events describe; written by this thread under m_handlersGuard.
    UserList m_posted;
    // The number of m_posted among the lists published, the first being 1 (the user events
    // carry it); this thread's only.
    unsigned long m_listNumber = 0;
    std::mutex m_stopGuard;
    std::condition_variable m_stopSignal;
    bool m_stopRequested = false;
    bool m_refreshRequested = false; // under m_stopGuard
};
