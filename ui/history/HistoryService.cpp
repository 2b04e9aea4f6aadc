#include "ui/history/HistoryService.h"

#include "core/DaemonThread.h"
#include "history/HistorySettings.h"
#include "history/HistoryWriter.h"
#include "resources/Trace.h"
#include "ui/history/HistoryWindow.h"
#include "ui/popup/RecentAnnouncements.h"
#include "ui/trees/UserListTreeCtrl.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include <algorithm>

static_assert(HistoryWriter::KEPT_ANNOUNCEMENTS == RecentAnnouncements::CAPACITY,
              "the file keeps what the Recent window shows");

HistoryService::HistoryService(wxWindow* owner, RecentAnnouncements& recent, const wxString& path)
    : m_owner(owner), m_recent(recent), m_recorder(m_store) {
    wxLogTrace(ROD_TRACE, "[%p]HistoryService::HistoryService(%s)", this, path);
    m_store.Open(path);
    std::vector<RecentAnnouncements::Entry> earlier;
    for (const KeptAnnouncement& kept : m_store.LoadAnnouncements())
        earlier.push_back({kept.id, wxDateTime(static_cast<time_t>(kept.time)),
                           wxString::FromUTF8(kept.name), kept.kind,
                           static_cast<RecentAnnouncements::Outcome>(
                               std::clamp(kept.outcome, int(RecentAnnouncements::WAITING),
                                          int(RecentAnnouncements::LAST_OUTCOME)))});
    m_recent.Restore(earlier);
    if (m_store.IsRecording())
        m_recent.SetKeeper([this](const RecentAnnouncements::Entry& entry) {
            m_store.Keep({entry.id, entry.time.GetTicks(), entry.name.utf8_string(), entry.kind,
                          entry.outcome});
        });
    m_store.SetFaultListener([this] { TellProblem(); });
    // Told once the main window is up, not in the middle of building it.
    if (!m_store.GetProblem().empty())
        CallAfter(&HistoryService::TellProblem);
}

HistoryService::~HistoryService() {
    wxLogTrace(ROD_TRACE, "[%p]HistoryService::~HistoryService()", this);
    m_recent.SetKeeper(nullptr);
    CloseWindows();
}

void HistoryService::OfferIn(UserListTreeCtrl* favorites, UserListTreeCtrl* all) {
    favorites->SetWhenOnlineHandler([this](const wxString& name) { ShowWindow(name); });
    m_allTree = all;
    SettingsChanged();
}

void HistoryService::Watch(DaemonThread& thread) {
    thread.AddListObserver(&m_recorder);
}

void HistoryService::SettingsChanged() {
    if (!m_allTree)
        return;
    if (HistorySettings::RecordsEveryone())
        m_allTree->SetWhenOnlineHandler([this](const wxString& name) { ShowWindow(name); });
    else
        m_allTree->SetWhenOnlineHandler(nullptr);
}

void HistoryService::Clear() {
    wxLogTrace(ROD_TRACE, "[%p]HistoryService::Clear()", this);
    m_store.Clear();
    m_recorder.Restart();
    m_recent.Clear();
    CloseWindows();
}

HistoryWindow* HistoryService::ShowWindow(const wxString& name) {
    m_windows.erase(std::remove_if(m_windows.begin(), m_windows.end(),
                                   [](const wxWeakRef<HistoryWindow>& w) { return !w; }),
                    m_windows.end());
    HistoryWindow* window = nullptr;
    for (const wxWeakRef<HistoryWindow>& open : m_windows)
        if (open && !open->IsBeingDeleted() && open->GetPerformer() == name)
            window = open.get();
    if (window) {
        window->Reload();
    } else {
        window = new HistoryWindow(m_store, name);
        m_windows.emplace_back(window);
    }
    window->Show();
    window->Raise();
    return window;
}

void HistoryService::CloseWindows() {
    for (const wxWeakRef<HistoryWindow>& window : m_windows)
        if (window)
            window->Destroy();
    m_windows.clear();
}

void HistoryService::TellProblem() {
    // The keeper has nowhere to write any more.
    if (!m_store.IsRecording())
        m_recent.SetKeeper(nullptr);
    if (m_told)
        return;
    m_told = true;
    wxMessageBox(m_store.GetProblem(), _("History"), wxOK | wxICON_WARNING | wxCENTRE, m_owner);
}
