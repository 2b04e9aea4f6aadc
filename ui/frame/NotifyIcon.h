#pragma once

#include <wx/arrstr.h>
#include <wx/taskbar.h>
#include <wx/timer.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <chrono>
#include <memory>

class StatusNotifierItem;

// Posted to the owner when the icon has come into a tray or left it: a StatusNotifierWatcher
// (a panel) that came, went or came back.
wxDECLARE_EVENT(wxEVT_TRAY_CHANGED, wxCommandEvent);

// The plug-in's icon in the notification area while the main frame exists. Decides nothing
// itself: every command ends as a menu command posted to the owner (show, hide or exit).
//
// Where a StatusNotifierWatcher is on the session bus, the icon is a StatusNotifierItem (the
// tray of today's desktops) whose primary click is the double click below and whose menu is
// the tray menu; elsewhere it is the toolkit's icon. This toolkit build delivers only
// left-button-down events and the menu request, so the double click is made of two
// left-button-downs within the system's double-click time, and the menu is given through
// CreatePopupMenu().
class NotifyIcon : public wxTaskBarIcon {
public:
    // The owner is not owned; it may go before the icon (commands are then dropped).
    NotifyIcon(wxWindow* owner, const wxIcon& icon, const wxString& tooltip);
    ~NotifyIcon() override;

    // The tray menu's first items are favourites online, as many as this; choosing one
    // posts ID_FAVORITE_FIRST + its place to the owner, the name as the command's string.
    static constexpr size_t MENU_FAVORITES = 10;
    enum { ID_FAVORITE_FIRST = 6200 };

    // A fresh tray menu (the favourites online, "P&ause pop-ups", "E&xit"); the toolkit
    // deletes it after showing it.
    wxMenu* CreatePopupMenu() override;

    // The favourites online now, in the favourites tree's order: the tooltip counts them and
    // the menu lists the first of them. Until this is called the favourites are not known
    // and neither says anything of them.
    void SetFavoritesOnline(const wxArrayString& names);

    // The tray menu's check item and the tooltip follow the pop-ups' pause.
    void SetPopupsPaused(bool paused);
    bool ArePopupsPaused() const { return m_popupsPaused; }
    // The tooltip says so while no site is set.
    void SetSiteSet(bool set);
    wxString GetTooltip() const;

    // Shown in a tray now, from where the owner can be brought back.
    bool IsInTray() const;
    StatusNotifierItem* GetStatusNotifierItem() const { return m_item.get(); }

    // Milliseconds within which two presses make a double click.
    static int DoubleClickMilliseconds();
    // A hidden owner is shown when the icon has left the tray for this long (a panel that
    // restarts comes back sooner).
    static constexpr int TRAY_RETURN_MILLISECONDS = 3000;

private:
    void OnMenu(wxCommandEvent& event);
    void OnLButtonDown(wxTaskBarIconEvent& event);
    void OnLButtonDClick();
    void OnStatusNotifierTray(bool inTray);
    void OnTrayReturnTimer(wxTimerEvent& event);
    // Shows the tooltip (and the menu) as they are now, in the tray the icon is in.
    void ShowTooltip();
    // The owner, unless it is gone or on its way out.
    wxWindow* LiveOwner() const;

    wxWeakRef<wxWindow> m_owner;
    wxIcon m_icon;
    wxString m_tooltip;
    bool m_popupsPaused = false;
    bool m_siteSet = true;
    bool m_favoritesKnown = false;
    wxArrayString m_favoritesOnline;
    // Time of a press still waiting for its partner; none when the last press ended a pair.
    bool m_pressPending = false;
    std::chrono::steady_clock::time_point m_lastPress;
    std::unique_ptr<StatusNotifierItem> m_item;
    wxTimer m_trayReturn;

    wxDECLARE_EVENT_TABLE();
};
