#include "ui/popup/NotificationPresenter.h"

#include "core/SiteEndpoints.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/popup/DesktopAnnouncement.h"
#include "ui/popup/PopupDialog.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/RecentAnnouncements.h"

#include <wx/log.h>

#include <algorithm>

NotificationPresenter::NotificationPresenter(
    RecentAnnouncements* recent, wxEvtHandler* observer,
    const std::function<void(SummaryTally::Reason)>& onSummaryClick)
    : m_recent(recent), m_observer(observer), m_onSummaryClick(onSummaryClick),
      m_service({[this](bool available) { OnAvailability(available); },
                 [this](unsigned id) { OnActivated(id); }, [this](unsigned id) { OnClosed(id); }}),
      m_summaryTimer(this) {
    Bind(wxEVT_TIMER, &NotificationPresenter::OnSummaryTimer, this);
}

// Messages left up would offer clicks that nobody answers any more.
NotificationPresenter::~NotificationPresenter() {
    for (const auto& [id, action] : m_actions)
        m_service.Close(id);
}

int NotificationPresenter::TakenPlaces() {
    // Those that ended are deleted here, never from within their own calls.
    m_announcements.erase(std::remove_if(m_announcements.begin(), m_announcements.end(),
                                         [](const std::unique_ptr<DesktopAnnouncement>& each) {
                                             return each->HasEnded();
                                         }),
                          m_announcements.end());
    return static_cast<int>(m_announcements.size()) + (m_summary ? 1 : 0);
}

void NotificationPresenter::Present(const Announcement& announcement) {
    wxLogTrace(ROD_TRACE, "[%p]NotificationPresenter::Present(%s)", this,
               announcement.user.GetName());
    const wxString name = announcement.user.GetName();
    m_announcements.push_back(std::make_unique<DesktopAnnouncement>(
        &m_service, announcement.user, announcement.kind,
        [this, name](DesktopAnnouncement* sent) {
            // As a click on the pop-up's picture or name does.
            Remember(sent->GetId(), [name] {
                Util::LaunchBrowser(SiteEndpoints::PreviewUrl("/preview.shtml?" + name));
            });
        },
        [this](DesktopAnnouncement*) { PlaceFreed(); }));
    m_recent->SetOutcome(announcement.recentId, RecentAnnouncements::SHOWN);
}

void NotificationPresenter::Fold(SummaryTally::Reason reason, const User& user, int kind) {
    if (reason == SummaryTally::REASON_OVERFLOW && m_summary) {
        m_summary->tally.Add(user.GetName(), kind);
        // A flood adds hundreds at once: the message is replaced once it is over.
        if (!m_summaryUpdateDue) {
            m_summaryUpdateDue = true;
            CallAfter([this] {
                m_summaryUpdateDue = false;
                SendSummary();
            });
        }
        return;
    }
    std::optional<SummaryMessage>& made =
        reason == SummaryTally::REASON_PAUSE ? m_pauseSummary : m_newOverflow;
    if (!made)
        made = SummaryMessage{SummaryTally(reason)};
    made->tally.Add(user.GetName(), kind);
}

void NotificationPresenter::ShowSummary(SummaryTally::Reason reason) {
    std::optional<SummaryMessage>& made =
        reason == SummaryTally::REASON_PAUSE ? m_pauseSummary : m_newOverflow;
    if (!made)
        return;
    if (m_summary)
        m_service.Close(m_summary->id);
    m_summary = std::move(made);
    made.reset();
    ++m_summaryGeneration;
    SendSummary();
}

void NotificationPresenter::SendSummary() {
    if (!m_summary)
        return;
    if (m_summary->sending) {
        m_summary->again = true;
        return;
    }
    m_summary->sending = true;
    DesktopNotifications::Message message;
    message.summary = m_summary->tally.GetHeadline();
    message.body = m_summary->tally.GetNames();
    message.timeoutMs = static_cast<int>(PopupSettings::Duration() * 1000);
    // Its time starts again with each addition, as the summary pop-up's does.
    m_summaryTimer.StartOnce(message.timeoutMs);
    const unsigned generation = m_summaryGeneration;
    m_service.Notify(m_summary->id, message,
                     [this, generation](unsigned id) { OnSummarySent(generation, id); });
}

void NotificationPresenter::OnSummarySent(unsigned generation, unsigned id) {
    if (!m_summary || generation != m_summaryGeneration) {
        // It was taken down meanwhile.
        m_service.Close(id);
        return;
    }
    m_summary->sending = false;
    if (!id) {
        if (!m_summary->id)
            EndSummary();
        return;
    }
    if (!m_summary->id) {
        m_summary->id = id;
        const SummaryTally::Reason reason = m_summary->tally.GetReason();
        Remember(id, [this, reason] { m_onSummaryClick(reason); });
    }
    if (m_summary->again) {
        m_summary->again = false;
        SendSummary();
    }
}

void NotificationPresenter::OnSummaryTimer(wxTimerEvent&) {
    EndSummary();
}

void NotificationPresenter::EndSummary() {
    if (!m_summary)
        return;
    m_summary.reset();
    m_summaryTimer.Stop();
    PlaceFreed();
}

void NotificationPresenter::PlaceFreed() {
    if (m_observer) {
        wxCommandEvent changed(wxEVT_POPUP_STATE_CHANGED, wxID_ANY);
        m_observer->AddPendingEvent(changed);
    }
}

void NotificationPresenter::Remember(unsigned id, const std::function<void()>& action) {
    m_actions[id] = action;
    // A service that never says a message has gone must not make the list grow for ever.
    while (m_actions.size() > RecentAnnouncements::CAPACITY)
        m_actions.erase(m_actions.begin());
}

void NotificationPresenter::OnActivated(unsigned id) {
    wxLogTrace(ROD_TRACE, "[%p]NotificationPresenter::OnActivated(%u)", this, id);
    const auto action = m_actions.find(id);
    if (action != m_actions.end())
        action->second();
}

void NotificationPresenter::OnClosed(unsigned id) {
    m_actions.erase(id);
    for (const auto& announcement : m_announcements)
        if (announcement->GetId() == id)
            announcement->End();
    if (m_summary && m_summary->id == id)
        EndSummary();
}

// Gone with the service: every place is free, and the own pop-ups take over.
void NotificationPresenter::OnAvailability(bool available) {
    wxLogTrace(ROD_TRACE, "[%p]NotificationPresenter::OnAvailability(%d)", this, available);
    if (available)
        return;
    m_actions.clear();
    for (const auto& announcement : m_announcements)
        announcement->End();
    EndSummary();
    PlaceFreed();
}
