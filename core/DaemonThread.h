#pragma once

#include "core/Site.h"

#include <wx/event.h>
#include <wx/thread.h>

#include <mutex>
#include <vector>

// The refresh thread: calls the site's UpdateUserList periodically and posts the first list,
// then every addition, deletion and change, to the registered handlers.
//
// It is joinable, unlike a detached thread whose Delete() returns at once on this platform:
// the owner calls Delete(), which returns only when Entry has ended, and then deletes it.
class DaemonThread : public wxThread {
public:
    DaemonThread(Site* site, wxThreadKind kind = wxTHREAD_JOINABLE, unsigned int priority = 0,
                 unsigned int stackSize = 0);
    ~DaemonThread() override;

    // Safe from the GUI thread while the thread runs; never overlaps a walk of the handlers.
    void AddEventHandler(wxEvtHandler* handler);

    // True when a stop was requested; otherwise yields and returns false.
    bool ShouldExit();

protected:
    ExitCode Entry() override;

private:
    Site* m_site;
    std::mutex m_handlersGuard;
    std::vector<wxEvtHandler*> m_handlers;
};
