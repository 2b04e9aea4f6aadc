#pragma once

#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"

#include <wx/event.h>
#include <wx/weakref.h>

#include <vector>

class DaemonThread;
class HistoryWindow;
class RecentAnnouncements;
class UserListTreeCtrl;

// The history as the main frame owns it: the store at its file, the recorder of the refresh
// thread's lists, the trees' "When online..." and its windows, and the "Recent" window's
// announcements, which come back from the file and are written to it. A file that cannot be
// used is told once, in a message, and the program goes on without history.
class HistoryService : public wxEvtHandler {
public:
    HistoryService(wxWindow* owner, RecentAnnouncements& recent,
                   const wxString& path = HistoryStore::DefaultPath());
    // Closes its windows; open sessions end at the last list that showed them.
    ~HistoryService() override;

    // The favourites tree always offers "When online...", the all-users tree while the scope
    // is "all".
    void OfferIn(UserListTreeCtrl* favorites, UserListTreeCtrl* all);
    // Records the thread's lists from now on.
    void Watch(DaemonThread& thread);
    // The machine goes to sleep, and wakes: no watching between the two.
    void Sleep() { m_recorder.Sleep(); }
    void Wake() { m_recorder.Wake(); }
    // The settings may have changed (Preferences' OK).
    void SettingsChanged();

    bool CanClear() const { return m_store.IsRecording(); }
    // Removes everything recorded, the "Recent" window's list included.
    void Clear();

    // Opens the performer's window, or brings it to the front, read anew.
    HistoryWindow* ShowWindow(const wxString& name);

    HistoryStore& GetStore() { return m_store; }

private:
    void TellProblem();
    void CloseWindows();

    wxWindow* m_owner;
    RecentAnnouncements& m_recent;
    HistoryStore m_store;
    HistoryRecorder m_recorder;
    UserListTreeCtrl* m_allTree = nullptr;
    std::vector<wxWeakRef<HistoryWindow>> m_windows;
    bool m_told = false;
};
