#pragma once

#include "ui/popup/AnnouncementPresenter.h"

#include <wx/event.h>
#include <wx/weakref.h>

#include <functional>
#include <vector>

class PopupDialog;
class PopupSummary;
class RecentAnnouncements;

// The announcements as the program's own pop-up windows: a pop-up is made for each one
// presented and appears when its thumbnail has arrived (never, when that download cannot
// start); the summaries are pop-ups of their own in the top place. The windows own themselves
// and go by their timers, or all together with the presenter (the main window closes).
class PopupWindowPresenter : public AnnouncementPresenter {
public:
    // The outcomes go to recent; observer gets the windows' wxEVT_POPUP_STATE_CHANGED;
    // onSummaryClick runs when a summary is clicked.
    PopupWindowPresenter(RecentAnnouncements* recent, wxEvtHandler* observer,
                         const std::function<void(SummaryTally::Reason)>& onSummaryClick);
    ~PopupWindowPresenter() override;

    int TakenPlaces() override;
    bool HasOverflowSummary() override { return GetSummary() != nullptr; }
    void Present(const Announcement& announcement) override;
    void Fold(SummaryTally::Reason reason, const User& user, int kind) override;
    void ShowSummary(SummaryTally::Reason reason) override;
    // Takes back the pop-ups made that have not appeared yet, oldest first.
    std::vector<Announcement> Withdraw();

    // The summary on screen, if any.
    PopupSummary* GetSummary() const;

private:
    struct Made {
        wxWeakRef<PopupDialog> popup;
        unsigned long recentId;
    };

    // Forgets made pop-ups that have appeared or gone.
    void Settle();
    PopupSummary* NewSummary(SummaryTally::Reason reason);
    static void DestroyPopups();

    RecentAnnouncements* m_recent;
    wxEvtHandler* m_observer;
    std::function<void(SummaryTally::Reason)> m_onSummaryClick;
    // Pop-ups made that have not appeared yet.
    std::vector<Made> m_made;
    wxWeakRef<PopupSummary> m_summary;
    // Made by Fold, not shown yet.
    wxWeakRef<PopupSummary> m_newOverflow;
    // Collects what comes while paused; shown when the pause ends.
    wxWeakRef<PopupSummary> m_pauseSummary;
};
