#pragma once

#include "ui/trees/UserListTreeCtrl.h"

// Every online performer, under one group row "Online (n)", with a free or busy icon.
class AllTreeCtrl : public UserListTreeCtrl {
public:
    AllTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxTR_DEFAULT_STYLE,
                const wxValidator& validator = wxDefaultValidator,
                const wxString& name = wxTreeCtrlNameStr);

    // Sets the group row's text from the current number of user rows.
    void UpdateGroupLabel();

    wxTreeItemId GetGroupItem() const { return m_onlineGroup; }

protected:
    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserListInitialized(UserListEvent& event);

private:
    int IconFor(unsigned long status) const;

    wxString m_label;
    wxTreeItemId m_onlineGroup;
    int m_freeIcon = -1;
    int m_busyIcon = -1;

    wxDECLARE_EVENT_TABLE();
};
