#pragma once

#include <wx/event.h>
#include <wx/weakref.h>

#include <deque>
#include <map>

class PopupDialog;

// Runs the pop-ups' thumbnail downloads, at most MAX_RUNNING at a time; pop-ups beyond that
// wait their turn, oldest first. The queue itself receives every result and hands it on to
// its pop-up if that is still there, so a place in the queue is free only when a download
// has really ended, also one whose pop-up went meanwhile. GUI thread only.
class ThumbnailQueue : public wxEvtHandler {
public:
    static constexpr int MAX_RUNNING = 4;
    // Seconds a download may go without an answer before the placeholder is shown.
    static constexpr int TIMEOUT_SECONDS = 10;

    // The pop-up gets a wxEVT_DOWNLOAD_FINISHED event when its thumbnail has been fetched
    // (or could not be).
    static void Request(PopupDialog* popup);
    // From the pop-up's destructor: it no longer waits, and its result goes nowhere.
    static void Withdraw(PopupDialog* popup);

    static int Running();
    static int Waiting();

    // The module's end.
    static void DeleteInstance();

private:
    ThumbnailQueue();
    static ThumbnailQueue* Instance();
    void StartWaiting();
    void OnDownloadFinished(wxCommandEvent& event);

    static ThumbnailQueue* ms_instance;
    std::deque<PopupDialog*> m_waiting;
    // The pop-up of every running download, by the download's id.
    std::map<int, wxWeakRef<PopupDialog>> m_running;
    int m_nextId = 1;
};
