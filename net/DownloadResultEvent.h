#pragma once

#include <wx/event.h>
#include <wx/weakref.h>

// A download thread's result on its way to the GUI thread. Created on the GUI thread (the weak
// reference must live there only), filled by the worker, executed by the relay handler on the
// GUI thread: the target gets a wxEVT_DOWNLOAD_FINISHED event if it still exists. Deleting it
// undelivered frees the block.
class DownloadResultEvent : public wxAsyncMethodCallEvent {
public:
    DownloadResultEvent(wxEvtHandler* target, int id);
    ~DownloadResultEvent() override;

    // Worker: takes ownership of block (new[]; null on failure, with why it failed) of length
    // bytes.
    void SetResult(char* block, size_t length, const wxString& failure = wxString());
    void Execute() override;
    // Results are handed over with QueueEvent, never copied.
    wxEvent* Clone() const override;

private:
    wxWeakRef<wxEvtHandler> m_target;
    int m_downloadId;
    char* m_block = nullptr;
    size_t m_length = 0;
    wxString m_failure;
};
