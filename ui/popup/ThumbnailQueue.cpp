#include "ui/popup/ThumbnailQueue.h"

#include "core/SiteEndpoints.h"
#include "net/DownloadThread.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"
#include "ui/popup/PopupDialog.h"

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
bool IsGoing(wxWindow* window) {
    return !window || window->IsBeingDeleted() ||
           (wxTheApp && wxTheApp->IsScheduledForDestruction(window));
}

} // namespace

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

void ThumbnailQueue::Request(PopupDialog* popup) {
    wxLogTrace(ROD_TRACE, "[static]ThumbnailQueue::Request(%p)", popup);
    Instance()->m_waiting.push_back(popup);
    Instance()->StartWaiting();
}

void ThumbnailQueue::Withdraw(PopupDialog* popup) {
    if (!ms_instance)
        return;
    auto& waiting = ms_instance->m_waiting;
    waiting.erase(std::remove(waiting.begin(), waiting.end(), popup), waiting.end());
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
        PopupDialog* popup = m_waiting.front();
        m_waiting.pop_front();
        const int id = m_nextId++;
        auto* url = new wxURL(SiteEndpoints::ImageUrl("/WebArchive/" + popup->GetUser().GetName() +
                                                      "/thumbs/LinkedImage.jpg"));
        auto* client = new wxHTTP2;
        if (SiteEndpoints::Scheme() == "http")
            client->SetFixedHeader("Host", SiteEndpoints::WebHost());
        client->SetTimeout(TIMEOUT_SECONDS);
        if (DownloadThread::Start(this, id, url, client)) {
            m_running[id] = popup;
            continue;
        }
        // Announce anyway, with the placeholder, rather than leave a hidden window behind.
        wxCommandEvent failed(wxEVT_DOWNLOAD_FINISHED, wxID_ANY);
        popup->GetEventHandler()->AddPendingEvent(failed);
    }
}

void ThumbnailQueue::OnDownloadFinished(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]ThumbnailQueue::OnDownloadFinished(%d)", this, event.GetId());
    auto* data = static_cast<char*>(event.GetClientData());
    PopupDialog* popup = nullptr;
    if (auto running = m_running.find(event.GetId()); running != m_running.end()) {
        popup = running->second.get();
        m_running.erase(running);
    }
    if (IsGoing(popup)) {
        delete[] data;
    } else {
        wxCommandEvent finished(wxEVT_DOWNLOAD_FINISHED, wxID_ANY);
        finished.SetClientData(data);
        finished.SetInt(event.GetInt());
        finished.SetString(event.GetString());
        popup->GetEventHandler()->ProcessEvent(finished);
    }
    StartWaiting();
}
