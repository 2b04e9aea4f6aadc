#pragma once

#include "core/User.h"

#include <wx/hashmap.h>

WX_DECLARE_STRING_HASH_MAP(User, UserHashMap);

// Users keyed by name, with value semantics; GetDifference is the one source of every
// added, deleted and changed notification.
class UserList {
public:
    using iterator = UserHashMap::iterator;
    using const_iterator = UserHashMap::const_iterator;

    UserList() = default;
    UserList(const UserList&) = default;
    UserList& operator=(const UserList&) = default;
    UserList(UserList&&) = default;
    UserList& operator=(UserList&&) = default;
    virtual ~UserList() = default;

    iterator begin() { return m_users.begin(); }
    iterator end() { return m_users.end(); }
    const_iterator begin() const { return m_users.begin(); }
    const_iterator end() const { return m_users.end(); }
    size_t size() const { return m_users.size(); }
    bool empty() const { return m_users.empty(); }

    void Clear() { m_users.clear(); }
    void AddUser(const User& user);
    void RemoveUser(const wxString& name);
    const User* FindUser(const wxString& name) const;
    // Only for names known to be present; an absent name yields an empty user.
    const User& GetUser(const wxString& name) const;

    // Compares this (older) list with newer. deleted is overwritten; added and changed
    // are appended to, so callers pass them empty.
    void GetDifference(const UserList& newer, UserList& added, UserList& deleted,
                       UserList& changed) const;

private:
    UserHashMap m_users;
};
