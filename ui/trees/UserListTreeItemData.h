#pragma once

#include "core/User.h"

#include <wx/treebase.h>

// The data of a performer's row: its own copy of the user. Rows without it are the root and
// the group rows.
class UserListTreeItemData : public wxTreeItemData {
public:
    explicit UserListTreeItemData(const User& user);

    const User& GetUser() const { return m_user; }
    void SetUser(const User& user);

private:
    User m_user;
};
