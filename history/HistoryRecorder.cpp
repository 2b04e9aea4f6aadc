#include "history/HistoryRecorder.h"

#include "history/HistorySettings.h"
#include "history/HistoryStore.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/tokenzr.h>

#include <algorithm>

// clang-format off
wxBEGIN_EVENT_TABLE(HistoryRecorder, wxEvtHandler)
    EVT_USER_LIST_REFRESHED(HistoryRecorder::OnListRefreshed)
wxEND_EVENT_TABLE();
// clang-format on

namespace {

std::string Utf8(const wxString& name) {
    return name.utf8_string();
}

// "/favorites": each name followed by ",".
std::vector<wxString> Favorites() {
    std::vector<wxString> names;
    wxStringTokenizer tokens(ImageStore::GetConfig()->Read("/favorites", wxString()), ",");
    while (tokens.HasMoreTokens())
        names.push_back(tokens.GetNextToken());
    return names;
}

// Longer between two lists than three refresh intervals and a minute: the program was not
// watching (a sleep the system did not announce, a clock set forward).
std::int64_t LongestGapSeconds() {
    const long interval = ImageStore::GetConfig()->Read("/System/syncinterval", 10L);
    return 3 * std::max(interval, 1L) + 60;
}

} // namespace

HistoryRecorder::HistoryRecorder(HistoryStore& store) : m_store(store) {}

void HistoryRecorder::Restart() {
    m_online.Clear();
    m_tracked.clear();
    m_lastTime = 0;
    m_newWatch = true;
}

void HistoryRecorder::Sleep() {
    EndWatch();
    m_asleep = true;
}

void HistoryRecorder::Wake() {
    m_asleep = false;
    m_wokeAt = wxDateTime::Now().GetTicks();
}

void HistoryRecorder::EndWatch() {
    m_online.Clear();
    m_newWatch = true;
}

void HistoryRecorder::OnListRefreshed(UserListEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]HistoryRecorder::OnListRefreshed(%lu)", this, event.GetListNumber());
    if (!m_store.IsRecording())
        return;
    const UserList& list = event.GetUserList();
    HistoryBatch batch;
    batch.time = (event.GetTime().IsValid() ? event.GetTime() : wxDateTime::Now()).GetTicks();
    if (m_asleep || batch.time < m_wokeAt)
        return;
    m_wokeAt = 0;
    // The watch and its sessions end at the last list before a gap, and before a clock set
    // back, whose times would end sessions before they began.
    if (!m_newWatch && (batch.time < m_lastTime || batch.time - m_lastTime > LongestGapSeconds()))
        EndWatch();
    batch.previousTime = m_lastTime;
    batch.newWatch = m_newWatch;
    batch.retentionDays = static_cast<int>(HistorySettings::Days());

    UserList online;
    if (HistorySettings::RecordsEveryone()) {
        for (const auto& entry : list)
            if (entry.second.GetStatus() & User::ONLINE)
                online.AddUser(entry.second);
    } else {
        for (const wxString& name : Favorites()) {
            if (m_tracked.insert(name).second)
                batch.tracked.push_back(Utf8(name));
            const User* user = list.FindUser(name);
            if (user && (user->GetStatus() & User::ONLINE))
                online.AddUser(*user);
        }
    }
    // Not through UserList::GetDifference, which copies the older list whole: a refresh of
    // everyone would cost the GUI thread twice as much.
    for (const auto& entry : online) {
        const User* before = m_online.FindUser(entry.first);
        if (!before)
            batch.opened.emplace_back(Utf8(entry.first), entry.second.GetStatus());
        else if (before->GetStatus() != entry.second.GetStatus())
            batch.changed.emplace_back(Utf8(entry.first), entry.second.GetStatus());
    }
    for (const auto& entry : m_online)
        if (!online.FindUser(entry.first))
            batch.closed.push_back(Utf8(entry.first));

    m_online = std::move(online);
    m_lastTime = batch.time;
    m_newWatch = false;
    m_store.Record(std::move(batch));
}
