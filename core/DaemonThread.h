#pragma once

#include "core/Site.h"

#include <wx/event.h>
#include <wx/thread.h>

#include <mutex>
#include <vector>

// The refresh thread: calls the site's UpdateUserList periodically and posts the first list,
// then every addition, deletion and change, to the registered handlers.
//
// Between refreshes it sleeps in steps of a tenth of the delay (at least 1 ms), so a stop is
// noticed within about a tenth of the delay while waiting. Entry's result is 1 when the thread
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

    // True when a stop was requested; otherwise yields and returns false.
    bool ShouldExit();

protected:
    ExitCode Entry() override;

private:
    // Posts a copy of event to every handler in registration order; false when a stop came
    // first (the remaining handlers get nothing).
    bool PostToHandlers(const wxEvent& event);
    // Per-user events of one kind, found in list number listNumber; false when a stop came
    // first.
    bool PostUsers(const UserList& users, wxEventType type, const UserList* older,
                   unsigned long listNumber);

    Site* m_site;
    std::mutex m_handlersGuard;
    std::vector<wxEvtHandler*> m_handlers;
};
