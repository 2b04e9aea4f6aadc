#pragma once

#include "core/UserEvent.h"
#include "ui/popup/GraceTracker.h"
#include "ui/popup/RecentAnnouncements.h"

#include <wx/event.h>
#include <wx/weakref.h>

#include <deque>
#include <vector>

class PopupDialog;
class PopupSummary;
class RecentWindow;

// Decides from the user events when a performer is announced with a pop-up: on coming online
// and on becoming free, and only for favourites while the main frame's "&PopupOnlyFavorite"
// item is enabled and checked. The pop-ups live on their own until the manager goes (the main
// window closes): then they go with it, shown or still waiting for their picture.
//
// A pop-up is made only when it has a place on the screen; until then its announcement waits
// (no window, no download). When more wait than fit on the screen, they are folded into one
// summary in the top place, which also takes in later overflow. While paused nothing appears;
// when the pause ends one summary tells of what came meanwhile. Every announcement of the run
// is listed in the "Recent" window.
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager();
    ~PopupDialogManager() override;

    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused; }
    // Opens the "Recent" window, or brings it to the front.
    void ShowRecent();

    RecentWindow* GetRecentWindow() const { return m_recentWindow.get(); }
    const RecentAnnouncements& GetRecent() const { return m_recent; }
    RecentAnnouncements& GetRecent() { return m_recent; }
    // The summary on screen, if any.
    PopupSummary* GetSummary() const;
    // Announcements still waiting for a place.
    size_t GetWaitingCount() const { return m_waiting.size(); }

private:
    struct Announcement {
        User user;
        int kind;
        unsigned long recentId;
    };
    struct Made {
        wxWeakRef<PopupDialog> popup;
        unsigned long recentId;
    };

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnPopupStateChanged(wxCommandEvent& event);

    void Announce(const User& user, int kind);
    // Folds what does not fit, and makes pop-ups for the free places.
    void Place();
    // Of the places the pop-ups may take, those not yet taken by one, shown or coming.
    int FreePlaces(int forPopups) const;
    // Forgets made pop-ups that have appeared or gone.
    void Settle();
    PopupSummary* NewSummary(int reason);
    void ShowPauseSummary();

    // 0 when the change is no news.
    static int KindOfNews(unsigned long oldStatus, unsigned long newStatus);
    static bool OnlyFavoritesWanted();
    static bool IsFavorite(const wxString& name);
    static void DestroyPopups();
    static void ShowMainWindow();

    bool m_paused = false;
    std::deque<Announcement> m_waiting;
    // Pop-ups made that have not appeared yet.
    std::vector<Made> m_made;
    wxWeakRef<PopupSummary> m_summary;
    // Collects what comes while paused; shown when the pause ends.
    wxWeakRef<PopupSummary> m_pauseSummary;
    GraceTracker m_grace;
    RecentAnnouncements m_recent;
    wxWeakRef<RecentWindow> m_recentWindow;

    wxDECLARE_EVENT_TABLE();
};
