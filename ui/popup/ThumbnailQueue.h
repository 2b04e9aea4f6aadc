#pragma once

#include <wx/event.h>
#include <wx/weakref.h>

#include <deque>
#include <map>

// Posted to a requester whose download could not be started: no thumbnail will come.
wxDECLARE_EVENT(wxEVT_THUMBNAIL_NOT_STARTED, wxCommandEvent);

// Runs the thumbnail downloads of the pop-ups and the desktop's notifications, at most
// MAX_RUNNING at a time; requests beyond that wait their turn, oldest first. The queue itself
// receives every result and hands it on to its requester if that is still there, so a place
// in the queue is free only when a download has really ended, also one whose requester went
// meanwhile. GUI thread only.
class ThumbnailQueue : public wxEvtHandler {
public:
    static constexpr int MAX_RUNNING = 4;
    // Seconds a download may go without an answer before the placeholder is shown.
    static constexpr int TIMEOUT_SECONDS = 10;

    // The requester gets a wxEVT_DOWNLOAD_FINISHED event when the performer's thumbnail has
    // been fetched (or could not be), or wxEVT_THUMBNAIL_NOT_STARTED.
    static void Request(wxEvtHandler* requester, const wxString& name);
    // From the requester's destructor: it no longer waits, and its result goes nowhere.
    static void Withdraw(wxEvtHandler* requester);

    static int Running();
    static int Waiting();

    // The module's end.
    static void DeleteInstance();

private:
    struct Pending {
        wxEvtHandler* requester;
        wxString name;
    };

    ThumbnailQueue();
    static ThumbnailQueue* Instance();
    void StartWaiting();
    void OnDownloadFinished(wxCommandEvent& event);

    static ThumbnailQueue* ms_instance;
    std::deque<Pending> m_waiting;
    // The requester of every running download, by the download's id.
    std::map<int, wxWeakRef<wxEvtHandler>> m_running;
    int m_nextId = 1;
};
