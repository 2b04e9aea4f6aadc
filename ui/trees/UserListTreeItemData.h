#pragma once

#include "core/User.h"

#include <wx/treebase.h>

class UserRowIndex;

// The data of a performer's row: its own copy of the user. Rows without it are the root and
// the group rows.
class UserListTreeItemData : public wxTreeItemData {
public:
    explicit UserListTreeItemData(const User& user);
    ~UserListTreeItemData() override;
    UserListTreeItemData(const UserListTreeItemData&) = delete;
    UserListTreeItemData& operator=(const UserListTreeItemData&) = delete;

    const User& GetUser() const { return m_user; }
    void SetUser(const User& user);

private:
    friend class UserRowIndex;

    User m_user;
    // The index of the tree that holds this row, if any.
    UserRowIndex* m_index = nullptr;
};
