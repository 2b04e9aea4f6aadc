#include "core/UserList.h"

void UserList::AddUser(const User& user) {
    m_users[user.GetName()] = user;
}

void UserList::RemoveUser(const wxString& name) {
    m_users.erase(name);
}

const User* UserList::FindUser(const wxString& name) const {
    const auto it = m_users.find(name);
    return it == m_users.end() ? nullptr : &it->second;
}

const User& UserList::GetUser(const wxString& name) const {
    static const User absent;
    const User* user = FindUser(name);
    return user ? *user : absent;
}

void UserList::GetDifference(const UserList& newer, UserList& added, UserList& deleted,
                             UserList& changed) const {
    deleted = *this;
    for (const auto& entry : newer.m_users) {
        const User& user = entry.second;
        if (const User* old = FindUser(entry.first)) {
            deleted.RemoveUser(entry.first);
            if (*old != user)
                changed.AddUser(user);
        } else {
            added.AddUser(user);
        }
    }
}
