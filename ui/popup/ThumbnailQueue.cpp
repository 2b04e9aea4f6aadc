#include "ui/popup/ThumbnailQueue.h"

#include "core/SiteEndpoints.h"
#include "net/DownloadThread.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/module.h>

#include <algorithm>

namespace {

class ThumbnailQueueModule : public wxModule {
public:
    bool OnInit() override { return true; }
    void OnExit() override { ThumbnailQueue::DeleteInstance(); }

private:
    wxDECLARE_DYNAMIC_CLASS(ThumbnailQueueModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(ThumbnailQueueModule, wxModule);

// A window that was closed lives on until idle time; it must get nothing any more.
bool IsGoing(wxEvtHandler* requester) {
    if (!requester)
        return true;
    auto* window = dynamic_cast<wxWindow*>(requester);
    return window &&
           (window->IsBeingDeleted() || (wxTheApp && wxTheApp->IsScheduledForDestruction(window)));
}

} // namespace

wxDEFINE_EVENT(wxEVT_THUMBNAIL_NOT_STARTED, wxCommandEvent);

ThumbnailQueue* ThumbnailQueue::ms_instance = nullptr;

ThumbnailQueue::ThumbnailQueue() {
    Bind(wxEVT_DOWNLOAD_FINISHED, &ThumbnailQueue::OnDownloadFinished, this);
}

ThumbnailQueue* ThumbnailQueue::Instance() {
    if (!ms_instance)
        ms_instance = new ThumbnailQueue;
    return ms_instance;
}

void ThumbnailQueue::DeleteInstance() {
    delete ms_instance;
    ms_instance = nullptr;
}

void ThumbnailQueue::Request(wxEvtHandler* requester, const wxString& name) {
    wxLogTrace(ROD_TRACE, "[static]ThumbnailQueue::Request(%p, %s)", requester, name);
    Instance()->m_waiting.push_back({requester, name});
    Instance()->StartWaiting();
}

void ThumbnailQueue::Withdraw(wxEvtHandler* requester) {
    if (!ms_instance)
        return;
    auto& waiting = ms_instance->m_waiting;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [requester](const Pending& pending) {
                                     return pending.requester == requester;
                                 }),
                  waiting.end());
}

int ThumbnailQueue::Running() {
    return ms_instance ? static_cast<int>(ms_instance->m_running.size()) : 0;
}

int ThumbnailQueue::Waiting() {
    return ms_instance ? static_cast<int>(ms_instance->m_waiting.size()) : 0;
}

// Over http the image host is asked with the web host's name in "Host", so the download goes
// through a client of its own that adds it to each request. Over https the request names the
// image host, whose certificate is the one verified.
void ThumbnailQueue::StartWaiting() {
    while (!m_waiting.empty() && static_cast<int>(m_running.size()) < MAX_RUNNING) {
        const Pending next = m_waiting.front();
        m_waiting.pop_front();
        const int id = m_nextId++;
        auto* url = new wxURL(
            SiteEndpoints::ImageUrl("/WebArchive/" + next.name + "/thumbs/LinkedImage.jpg"));
        auto* client = new wxHTTP2;
        if (SiteEndpoints::Scheme() == "http")
            client->SetFixedHeader("Host", SiteEndpoints::WebHost());
        client->SetTimeout(TIMEOUT_SECONDS);
        if (DownloadThread::Start(this, id, url, client)) {
            m_running[id] = next.requester;
            continue;
        }
        // Queued: the request may come from the requester's constructor.
        wxCommandEvent notStarted(wxEVT_THUMBNAIL_NOT_STARTED, wxID_ANY);
        next.requester->AddPendingEvent(notStarted);
    }
}

void ThumbnailQueue::OnDownloadFinished(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]ThumbnailQueue::OnDownloadFinished(%d)", this, event.GetId());
    auto* data = static_cast<char*>(event.GetClientData());
    wxEvtHandler* requester = nullptr;
    if (auto running = m_running.find(event.GetId()); running != m_running.end()) {
        requester = running->second.get();
        m_running.erase(running);
    }
    if (IsGoing(requester)) {
        delete[] data;
    } else {
        wxCommandEvent finished(wxEVT_DOWNLOAD_FINISHED, wxID_ANY);
        finished.SetClientData(data);
        finished.SetInt(event.GetInt());
        finished.SetString(event.GetString());
        requester->ProcessEvent(finished);
    }
    StartWaiting();
}
