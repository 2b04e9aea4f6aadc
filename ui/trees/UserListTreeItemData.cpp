#include "ui/trees/UserListTreeItemData.h"

#include "ui/trees/UserRowIndex.h"

UserListTreeItemData::UserListTreeItemData(const User& user) : m_user(user) {}

UserListTreeItemData::~UserListTreeItemData() {
    if (m_index)
        m_index->Remove(this, m_user.GetName());
}

void UserListTreeItemData::SetUser(const User& user) {
    UserRowIndex* index = m_index;
    const bool renamed = index && user.GetName() != m_user.GetName();
    if (renamed)
        index->Remove(this, m_user.GetName());
    m_user = user;
    if (renamed)
        index->Add(this);
}
