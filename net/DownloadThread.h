#pragma once

#include "core/FailureReason.h"

#include <wx/event.h>
#include <wx/protocol/http.h>
#include <wx/thread.h>
#include <wx/url.h>

class DownloadResultEvent;

// Posted once per download thread to its target: a wxCommandEvent whose client data is a
// block allocated with new[] holding exactly the body (the receiver delete[]s it) and whose
// int is its length; null and 0 when the download failed, with the reason as the event's
// string, and a non-null empty block for an empty body.
wxDECLARE_EVENT(wxEVT_DOWNLOAD_FINISHED, wxCommandEvent);

#define EVT_DOWNLOAD_FINISHED(id, func)                                                            \
    wx__DECLARE_EVT1(wxEVT_DOWNLOAD_FINISHED, id, wxCommandEventHandler(func))

// Fetches one URL in the background and hands the body to target on the GUI thread as a
// wxEVT_DOWNLOAD_FINISHED event. Only 2xx replies count; a transfer that breaks off, falls
// short of its Content-Length or exceeds MAX_BODY (decompressed) is a failure. The result is
// delivered only if the target still exists then (a window closed meanwhile gets nothing, and the
// block is freed). Construct and start on the GUI thread; prefer Start(), which runs it joinable
// and leaves it to DownloadThreadsModule to join and delete (the plug-in's code must not be
// unloaded while an ending thread still runs in it).
class DownloadThread : public wxThread {
public:
    // A longer body is a failed download.
    static constexpr size_t MAX_BODY = 8 * 1024 * 1024;

    // Owns url and client from here on. The client (a wxHTTP2 of the caller's, or one of our
    // own with the URL's credentials) is given the URL's scheme, host and port and asked for
    // its path and query (its own headers and credentials go along); "http://" and "https://"
    // addresses are fetched. A time-out set on the client or on the URL's protocol is kept.
    // target may be null: nothing is posted.
    DownloadThread(wxEvtHandler* target, int id, wxURL* url, wxHTTP* client = nullptr,
                   int priority = 0, wxThreadKind kind = wxTHREAD_DETACHED);
    ~DownloadThread() override; // deletes url and client

    // Creates and runs a download that DownloadThreadsModule joins and deletes when it has
    // ended. If it cannot start, releases url and client, posts nothing and returns false.
    static bool Start(wxEvtHandler* target, int id, wxURL* url, wxHTTP* client = nullptr);

protected:
    ExitCode Entry() override;

private:
    // The body, or nullptr on failure (then *length is 0 and *why says why).
    char* Download(size_t* length, FailureReason* why);

    // wx priority (0 lowest, 50 default): a lower one lowers the thread's nice value.
    int m_priority;
    wxURL* m_url;
    wxHTTP* m_client;
    // Counted by DownloadThreadsModule, which the results travel through.
    bool m_registered;
    // Created here on the GUI thread with a weak reference to the target; handed back to the
    // GUI thread with the result. Null without a target.
    DownloadResultEvent* m_result;
};
