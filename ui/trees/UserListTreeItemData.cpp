#include "ui/trees/UserListTreeItemData.h"

UserListTreeItemData::UserListTreeItemData(const User& user) : m_user(user) {}

void UserListTreeItemData::SetUser(const User& user) {
    m_user = user;
}
