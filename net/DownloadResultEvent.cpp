#include "net/DownloadResultEvent.h"

#include "net/DownloadThread.h"
#include "resources/Trace.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/toplevel.h>
#include <wx/window.h>

DownloadResultEvent::DownloadResultEvent(wxEvtHandler* target, int id)
    : wxAsyncMethodCallEvent(nullptr), m_target(target), m_downloadId(id) {}

DownloadResultEvent::~DownloadResultEvent() {
    delete[] m_block;
}

void DownloadResultEvent::SetResult(char* block, size_t length, const wxString& failure) {
    delete[] m_block;
    m_block = block;
    m_length = block ? length : 0;
    // Copied whole: the string goes to another thread.
    m_failure = wxString(failure.wc_str());
}

void DownloadResultEvent::Execute() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadResultEvent::Execute(void)", this);
    wxEvtHandler* target = m_target;
    if (!target)
        return; // destroyed meanwhile; the destructor frees the block
    // A closed window lives on until idle time; its handlers must not run any more.
    wxAppConsole* const app = wxAppConsole::GetInstance();
    if (auto* window = dynamic_cast<wxWindow*>(target); window && app) {
        wxWindow* top = wxGetTopLevelParent(window);
        if (window->IsBeingDeleted() || app->IsScheduledForDestruction(window) ||
            (top && app->IsScheduledForDestruction(top)))
            return;
    }

    wxCommandEvent finished(wxEVT_DOWNLOAD_FINISHED, m_downloadId);
    finished.SetClientData(m_block);
    finished.SetInt(static_cast<int>(m_length));
    finished.SetString(m_failure);
    // From here the block is the receiver's.
    m_block = nullptr;
    m_length = 0;
    target->ProcessEvent(finished);
}

wxEvent* DownloadResultEvent::Clone() const {
    wxFAIL_MSG("download results are queued, never copied");
    return new DownloadResultEvent(nullptr, m_downloadId);
}
