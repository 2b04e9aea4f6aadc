#pragma once

#include "core/UserEvent.h"

#include <wx/event.h>

// Decides from the user events when a performer is announced with a pop-up: on coming online
// and on becoming free, and only for favourites while the main frame's "&PopupOnlyFavorite"
// item is enabled and checked. The pop-ups live on their own until the manager goes (the main
// window closes): then they go with it, shown or still waiting for their picture.
class PopupDialogManager : public wxEvtHandler {
public:
    PopupDialogManager();
    ~PopupDialogManager() override;

private:
    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);

    // 0 when the change is no news.
    static int KindOfNews(unsigned long oldStatus, unsigned long newStatus);
    static bool OnlyFavoritesWanted();
    static bool IsFavorite(const wxString& name);
    static void DestroyPopups();

    wxDECLARE_EVENT_TABLE();
};
