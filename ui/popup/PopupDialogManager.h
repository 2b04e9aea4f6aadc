#pragma once

#include "core/UserEvent.h"
#include "ui/announce/AnnouncementCommand.h"
#include "ui/announce/AnnouncementGate.h"
#include "ui/announce/AnnouncementSound.h"
#include "ui/announce/FullScreenWatch.h"
#include "ui/popup/AnnouncementPresenter.h"
#include "ui/popup/GraceTracker.h"
#include "ui/popup/PopupSettings.h"
#include "ui/popup/RecentAnnouncements.h"

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <deque>
#include <memory>

class NotificationPresenter;
class PopupSummary;
class PopupWindowPresenter;
class RecentWindow;

// Decides from the user events when a performer is announced: on coming online and on
// becoming free, and only for favourites while the main frame's "&PopupOnlyFavorite" item is
// enabled and checked. Announcements appear as the program's own pop-ups, or, with the style
// "desktop" ("/PopupDialog/style") while the desktop's notification service is there, as its
// notifications; both go when the manager goes (the main window closes).
//
// As many announcements are up at once as pop-ups fit on the screen; the rest wait (no window,
// no download) until a place is free. When more wait than fit on the screen, they are folded
// into one summary in the top place, which also takes in later overflow. While paused nothing
// appears; when the pause ends one summary tells of what came meanwhile. A muted performer is
// never announced (AnnouncementGate). Each announcement runs the user's command
// ("/Announce/command") and plays the sound ("/Announce/sound"), if any; nothing plays or runs
// for what is paused or muted. With "/Announce/holdFullScreen" on, the own pop-ups are held
// while the active window is full screen, as while paused (the desktop's notification service
// decides for its messages). Every announcement of the run is listed in the "Recent"
// window.
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager();
    ~PopupDialogManager() override;

    void SetPaused(bool paused);
    bool IsPaused() const { return m_gate.IsPaused(); }
    bool IsHeld() const { return m_gate.IsHeld(); }
    // Asks the display now whether to hold (also done twice a second).
    void CheckHold();
    // Plays the sound as the settings choose it (to try it).
    void PlaySound(const AnnouncementSettings& settings);
    // One sample announcement ("Test announcement") in the style, with the sound and the
    // command of the settings, whatever the pause, the mute and the places; Recent marks it
    // "test".
    void AnnounceTest(PopupSettings::Style style, const AnnouncementSettings& settings);
    static constexpr const char* SAMPLE_NAME = "sample";
    // Opens the "Recent" window, or brings it to the front.
    void ShowRecent();

    RecentWindow* GetRecentWindow() const { return m_recentWindow.get(); }
    const RecentAnnouncements& GetRecent() const { return m_recent; }
    RecentAnnouncements& GetRecent() { return m_recent; }
    // The summary pop-up on screen, if any.
    PopupSummary* GetSummary() const;
    // Announcements still waiting for a place.
    size_t GetWaitingCount() const { return m_waiting.size(); }
    NotificationPresenter* GetNotificationPresenter() const { return m_notifications.get(); }

private:
    using Announcement = AnnouncementPresenter::Announcement;

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnPopupStateChanged(wxCommandEvent& event);
    void OnHoldTimer(wxTimerEvent& event);
    // Paused or held: nothing appears, what comes is counted for the summary.
    bool IsQuiet() const { return m_gate.IsPaused() || m_gate.IsHeld(); }
    // After the pause or the hold changed: a quiet time that begins takes back what is still
    // to come (marked outcome in Recent); one that ends shows the summary of it.
    void QuietChanged(bool wasQuiet, RecentAnnouncements::Outcome outcome);

    void Announce(const User& user, int kind);
    // What goes with an announcement that is let through: the command, the sound.
    void Accompany(const User& user, int kind, const AnnouncementSettings& settings);
    // Folds what does not fit, and presents what has a free place.
    void Place();
    // The desktop's notifications where they are chosen and there, the own pop-ups otherwise.
    AnnouncementPresenter& Presenter();
    void OnSummaryClick(SummaryTally::Reason reason);

    // 0 when the change is no news.
    static int KindOfNews(unsigned long oldStatus, unsigned long newStatus);
    static bool OnlyFavoritesWanted();
    static bool IsFavorite(const wxString& name);
    static void ShowMainWindow();

    AnnouncementGate m_gate;
    AnnouncementCommand m_command;
    AnnouncementSound m_sound;
    FullScreenWatch m_fullScreen;
    wxTimer m_holdTimer;
    std::deque<Announcement> m_waiting;
    GraceTracker m_grace;
    RecentAnnouncements m_recent;
    wxWeakRef<RecentWindow> m_recentWindow;
    std::unique_ptr<PopupWindowPresenter> m_windows;
    std::unique_ptr<NotificationPresenter> m_notifications;

    wxDECLARE_EVENT_TABLE();
};
