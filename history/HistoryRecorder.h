#pragma once

#include "core/UserList.h"
#include "core/UserListEvent.h"

#include <wx/event.h>

#include <cstdint>
#include <set>

class HistoryStore;

// Turns each whole list of the refresh thread (as its list observer) into one batch for the
// history: who came online, changed status or went, among the favourites ("/favorites") or,
// with the scope "all", everyone. GUI thread; the writing is the store's.
class HistoryRecorder : public wxEvtHandler {
public:
    explicit HistoryRecorder(HistoryStore& store);

    // Forgets this watch (after the history was cleared): the next list starts a new one.
    void Restart();
    // The machine goes to sleep: the watch and its sessions end at the last list before, and
    // no list is recorded until the wake, nor one whose download began before it.
    void Sleep();
    void Wake();

private:
    void OnListRefreshed(UserListEvent& event);
    // The next list starts a new watch: the open sessions end with this one's last list.
    void EndWatch();

    HistoryStore& m_store;
    // The recorded performers online at the last list, with their status.
    UserList m_online;
    // Favourites already written as watched in this watch.
    std::set<wxString> m_tracked;
    std::int64_t m_lastTime = 0;
    bool m_newWatch = true;
    bool m_asleep = false;
    // Lists downloaded before this time are late ones of the watch before the sleep.
    std::int64_t m_wokeAt = 0;

    wxDECLARE_EVENT_TABLE();
};
