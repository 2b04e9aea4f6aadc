#pragma once

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>

#include "ui/popup/PopupCommandIds.h"

class AllTreeCtrl;
class FavoriteTreeCtrl;
class DaemonThread;
class PopupDialogManager;
class NotifyIcon;

// The plug-in's one top-level window: the notebook with the all-users and favourites trees,
// the menus, the tray icon, the pop-up manager and the refresh thread that feeds them.
class MainFrame : public wxFrame {
public:
    enum { ID_UPDATE_FAVORITE = 6000 };
    // A login check that gets no answer gives up after this long (and so does not hold up
    // the program's end).
    static constexpr int LOGIN_TIMEOUT_SECONDS = 10;

    MainFrame();
    ~MainFrame() override;

    AllTreeCtrl* GetAllTree() const { return m_allTree; }
    FavoriteTreeCtrl* GetFavoriteTree() const { return m_favoriteTree; }
    wxPanel* GetAllPage() const { return m_allPage; }
    wxPanel* GetFavoritePage() const { return m_favoritePage; }
    wxNotebook* GetNotebook() const { return m_notebook; }
    NotifyIcon* GetNotifyIcon() const { return m_notifyIcon; }
    PopupDialogManager* GetPopupManager() const { return m_popupManager; }
    bool AreFavoritesLoaded() const { return m_favoritesLoaded; }

    // Pauses or resumes the pop-ups and stores the choice in "/PopupDialog/paused"; the Tool
    // menu's and the tray menu's check items and the tray's tooltip follow.
    void SetPopupsPaused(bool paused);
    bool ArePopupsPaused() const;

private:
    void OnDownloadFinished(wxCommandEvent& event);
    void OnIconize(wxIconizeEvent& event);
    void OnMenu(wxCommandEvent& event);

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
    bool m_favoritesLoaded;

    wxDECLARE_EVENT_TABLE();
};
