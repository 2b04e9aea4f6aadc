#pragma once

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>

#include "ui/popup/PopupCommandIds.h"

#include <chrono>
#include <memory>

class AllTreeCtrl;
class FavoriteTreeCtrl;
class DaemonThread;
class HistoryService;
class PopupDialogManager;
class NotifyIcon;
class InstanceHandover;
class ConnectionWindow;
class NetworkWatch;
class SleepWatch;

// The plug-in's one top-level window: the notebook with the all-users and favourites trees,
// the menus, the tray icon, the pop-up manager and the refresh thread that feeds them.
class MainFrame : public wxFrame {
public:
    enum { ID_UPDATE_FAVORITE = 6000, ID_PREFERENCES = 6002, ID_CONNECTION = 6005 };
    // ASK_FOR_SITE_FIRST: the preferences open at the site's hosts before the refresh starts
    // (a first start, while the web host is a placeholder).
    enum StartMode { START_REFRESH, ASK_FOR_SITE_FIRST };
    // A login check that gets no answer gives up after this long (and so does not hold up
    // the program's end).
    static constexpr int LOGIN_TIMEOUT_SECONDS = 10;

    explicit MainFrame(StartMode mode = START_REFRESH);
    ~MainFrame() override;

    AllTreeCtrl* GetAllTree() const { return m_allTree; }
    FavoriteTreeCtrl* GetFavoriteTree() const { return m_favoriteTree; }
    wxPanel* GetAllPage() const { return m_allPage; }
    wxPanel* GetFavoritePage() const { return m_favoritePage; }
    wxNotebook* GetNotebook() const { return m_notebook; }
    NotifyIcon* GetNotifyIcon() const { return m_notifyIcon; }
    // The "Connection" window, once Tool > Connection... has opened it.
    ConnectionWindow* GetConnectionWindow() const { return m_connectionWindow; }
    PopupDialogManager* GetPopupManager() const { return m_popupManager; }
    HistoryService* GetHistory() const { return m_history; }
    bool AreFavoritesLoaded() const { return m_favoritesLoaded; }

    // Pauses or resumes the pop-ups and stores the choice in "/PopupDialog/paused"; the Tool
    // menu's and the tray menu's check items and the tray's tooltip follow.
    void SetPopupsPaused(bool paused);
    bool ArePopupsPaused() const;

private:
    void OnDownloadFinished(wxCommandEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnMenu(wxCommandEvent& event);
    void OnTrayChanged(wxCommandEvent& event);

    void StartRefresh();
    void AskForSiteThenRefresh();
    void ShowPreferences(bool askForSite);
    void ShowConnection();
    // ShowModal, with the dialog known to the exit command: an exit ends the dialog and
    // follows once it is off the stack.
    int RunModal(wxDialog& dialog);
    void UpdateFavorites();
    void ApplyFavorites(const char* body, size_t length);
    // Hiding on minimise is only safe while a tray icon can bring the frame back.
    bool CanHideToTray() const;

    wxMenuBar* m_menuBar;
    AllTreeCtrl* m_allTree;
    wxPanel* m_allPage;
    FavoriteTreeCtrl* m_favoriteTree;
    wxPanel* m_favoritePage;
    wxNotebook* m_notebook;
    DaemonThread* m_thread;
    PopupDialogManager* m_popupManager;
    NotifyIcon* m_notifyIcon;
    ConnectionWindow* m_connectionWindow = nullptr;
    HistoryService* m_history = nullptr;
    bool m_favoritesLoaded;
    wxDialog* m_modal = nullptr;
    bool m_exitAfterModal = false;
    std::unique_ptr<InstanceHandover> m_handover;
    std::unique_ptr<NetworkWatch> m_network;
    std::unique_ptr<SleepWatch> m_sleep;
    // Asked to start in the tray before a tray was known: the bus's kind of tray is known
    // only a moment after the start.
    bool m_hideWhenInTray = false;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();

    wxDECLARE_EVENT_TABLE();
};
