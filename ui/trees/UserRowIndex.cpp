#include "ui/trees/UserRowIndex.h"

#include "ui/trees/UserListTreeItemData.h"

#include <algorithm>

UserRowIndex::~UserRowIndex() {
    for (auto& entry : m_rows) {
        for (UserListTreeItemData* data : entry.second)
            data->m_index = nullptr;
    }
}

void UserRowIndex::Add(UserListTreeItemData* data) {
    if (data->m_index == this)
        return;
    if (data->m_index)
        data->m_index->Remove(data, data->GetUser().GetName());
    m_rows[data->GetUser().GetName()].push_back(data);
    data->m_index = this;
}

void UserRowIndex::Remove(UserListTreeItemData* data, const wxString& name) {
    const auto it = m_rows.find(name);
    if (it != m_rows.end()) {
        auto& rows = it->second;
        rows.erase(std::remove(rows.begin(), rows.end(), data), rows.end());
        if (rows.empty())
            m_rows.erase(it);
    }
    data->m_index = nullptr;
}

const std::vector<UserListTreeItemData*>& UserRowIndex::RowsNamed(const wxString& name) const {
    static const std::vector<UserListTreeItemData*> none;
    const auto it = m_rows.find(name);
    return it == m_rows.end() ? none : it->second;
}
