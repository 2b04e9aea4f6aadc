#pragma once

#include <wx/taskbar.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <chrono>

// The plug-in's icon in the notification area while the main frame exists. Decides nothing
// itself: every command ends as a menu command posted to the owner (show, hide or exit).
//
// This toolkit build delivers only left-button-down events and the menu request, so the
// double click is made of two left-button-downs within the system's double-click time, and
// the menu is given through CreatePopupMenu().
class NotifyIcon : public wxTaskBarIcon {
public:
    // The owner is not owned; it may go before the icon (commands are then dropped).
    NotifyIcon(wxWindow* owner, const wxIcon& icon, const wxString& tooltip);
    ~NotifyIcon() override;

    // A fresh tray menu ("P&ause pop-ups", "E&xit"); the toolkit deletes it after showing it.
    wxMenu* CreatePopupMenu() override;

    // The tray menu's check item and the tooltip follow the pop-ups' pause.
    void SetPopupsPaused(bool paused);
    bool ArePopupsPaused() const { return m_popupsPaused; }
    wxString GetTooltip() const;

    // Milliseconds within which two presses make a double click.
    static int DoubleClickMilliseconds();

private:
    void OnMenu(wxCommandEvent& event);
    void OnLButtonDown(wxTaskBarIconEvent& event);
    void OnLButtonDClick();

    wxWeakRef<wxWindow> m_owner;
    wxIcon m_icon;
    wxString m_tooltip;
    bool m_popupsPaused = false;
    // Time of a press still waiting for its partner; none when the last press ended a pair.
    bool m_pressPending = false;
    std::chrono::steady_clock::time_point m_lastPress;

    wxDECLARE_EVENT_TABLE();
};
