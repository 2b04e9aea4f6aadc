#pragma once

#include "core/UserEvent.h"
#include "core/UserList.h"

// A whole list became known: the first refresh, or the favourites after a login.
class UserListEvent : public wxEvent {
public:
    UserListEvent(wxEventType type, int id) : wxEvent(id, type) {}
    UserListEvent(const UserListEvent& other) = default;
    ~UserListEvent() override = default;
    wxEvent* Clone() const override { return new UserListEvent(*this); }

    const UserList& GetUserList() const { return m_list; }
    void SetUserList(const UserList& list) { m_list = list; }

private:
    UserList m_list;
};

typedef void (wxEvtHandler::*UserListEventFunction)(UserListEvent&);
#define UserListEventHandler(func) wxEVENT_HANDLER_CAST(UserListEventFunction, func)

#define EVT_USER_LIST_INITIALIZED(func)                                                            \
    wx__DECLARE_EVT0(wxEVT_USER_LIST_INITIALIZED, UserListEventHandler(func))
