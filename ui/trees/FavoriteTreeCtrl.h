#pragma once

#include "core/UserList.h"
#include "ui/trees/UserListTreeCtrl.h"

#include <wx/arrstr.h>

#include <functional>

// The user's favourites under two group rows, "Online (n)" and "Offline (n)"; rows move
// between them as the favourites come and go.
class FavoriteTreeCtrl : public UserListTreeCtrl {
public:
    FavoriteTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxTR_DEFAULT_STYLE,
                     const wxValidator& validator = wxDefaultValidator,
                     const wxString& name = wxTreeCtrlNameStr);

    // Makes the two group rows; once (later calls change nothing).
    void CreateGroups();
    // Sets both group rows' texts from the current numbers of rows (once there are groups),
    // and tells the handler of the online group's changes.
    void UpdateGroupLabels();

    // Called whenever favourites may have come into or left the online group.
    void SetOnlineChangedHandler(const std::function<void()>& handler) {
        m_onlineChanged = handler;
    }
    // The names under "Online", in the tree's order.
    wxArrayString GetOnlineNames() const;

    wxTreeItemId GetOnlineGroupItem() const { return m_onlineGroup; }
    wxTreeItemId GetOfflineGroupItem() const { return m_offlineGroup; }

protected:
    void OnUserListInitialized(UserListEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserStatusChanged(UserEvent& event);

private:
    int IconFor(unsigned long status) const;

    UserList m_favorites;
    wxString m_onlineLabel;
    wxTreeItemId m_onlineGroup;
    wxString m_offlineLabel;
    wxTreeItemId m_offlineGroup;
    int m_offlineIcon = -1;
    int m_freeIcon = -1;
    int m_busyIcon = -1;
    std::function<void()> m_onlineChanged;

    wxDECLARE_EVENT_TABLE();
};
