#pragma once

#include "ui/popup/AnnouncementPresenter.h"
#include "ui/popup/DesktopNotifications.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class DesktopAnnouncement;
class RecentAnnouncements;

// The announcements as messages of the desktop's notification service (the style "desktop"):
// one message for each, and the summaries as messages that are replaced as they grow. A click
// on a message opens the performer's preview page, as a click on a pop-up does; on a summary,
// what the summary pop-up's click does. The messages still up are closed when the presenter
// goes (the main window closes).
class NotificationPresenter : public wxEvtHandler, public AnnouncementPresenter {
public:
    // The outcomes go to recent; observer gets wxEVT_POPUP_STATE_CHANGED when a place comes
    // free; onSummaryClick runs when a summary is clicked.
    NotificationPresenter(RecentAnnouncements* recent, wxEvtHandler* observer,
                          const std::function<void(SummaryTally::Reason)>& onSummaryClick);
    ~NotificationPresenter() override;

    // The service is on the session bus.
    bool IsAvailable() const { return m_service.IsAvailable(); }

    int TakenPlaces() override;
    bool HasOverflowSummary() override { return m_summary.has_value(); }
    void Present(const Announcement& announcement) override;
    void Fold(SummaryTally::Reason reason, const User& user, int kind) override;
    void ShowSummary(SummaryTally::Reason reason) override;

private:
    struct SummaryMessage {
        SummaryTally tally;
        unsigned id = 0;
        // A Notify is on its way; another one is due when it is back.
        bool sending = false;
        bool again = false;
    };

    void OnAvailability(bool available);
    void OnActivated(unsigned id);
    void OnClosed(unsigned id);
    void OnSummaryTimer(wxTimerEvent& event);
    // A place came free.
    void PlaceFreed();
    void SendSummary();
    void OnSummarySent(unsigned generation, unsigned id);
    void EndSummary();
    // What a click on the message does, until the service closes it.
    void Remember(unsigned id, const std::function<void()>& action);

    RecentAnnouncements* m_recent;
    wxEvtHandler* m_observer;
    std::function<void(SummaryTally::Reason)> m_onSummaryClick;
    DesktopNotifications m_service;
    std::vector<std::unique_ptr<DesktopAnnouncement>> m_announcements;
    // The summary up, and those made but not shown yet.
    std::optional<SummaryMessage> m_summary;
    std::optional<SummaryMessage> m_newOverflow;
    std::optional<SummaryMessage> m_pauseSummary;
    // Which summary a reply belongs to.
    unsigned m_summaryGeneration = 0;
    bool m_summaryUpdateDue = false;
    wxTimer m_summaryTimer;
    std::map<unsigned, std::function<void()>> m_actions;
};
