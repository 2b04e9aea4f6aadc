#pragma once

#include <wx/hashmap.h>
#include <wx/string.h>

#include <unordered_map>
#include <vector>

class UserListTreeItemData;

// The user rows of one tree by the stored user's name, kept in step by the rows' data: a
// row's data enters when the tree takes it and leaves when it is destroyed or renamed.
class UserRowIndex {
public:
    UserRowIndex() = default;
    UserRowIndex(const UserRowIndex&) = delete;
    UserRowIndex& operator=(const UserRowIndex&) = delete;
    // Rows that outlive the index (the tree deletes its rows after this) forget it.
    ~UserRowIndex();

    void Add(UserListTreeItemData* data);
    void Remove(UserListTreeItemData* data, const wxString& name);
    // The rows of that name, in no particular order.
    const std::vector<UserListTreeItemData*>& RowsNamed(const wxString& name) const;

private:
    std::unordered_map<wxString, std::vector<UserListTreeItemData*>, wxStringHash, wxStringEqual>
        m_rows;
};
