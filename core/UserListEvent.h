#pragma once

#include "core/UserEvent.h"
#include "core/UserList.h"

#include <wx/datetime.h>

// A whole list became known: the first refresh, or the favourites after a login; or, for the
// refresh thread's list observers, every list it publishes.
class UserListEvent : public wxEvent {
public:
    UserListEvent(wxEventType type, int id) : wxEvent(id, type) {}
    UserListEvent(const UserListEvent& other) = default;
    ~UserListEvent() override = default;
    wxEvent* Clone() const override { return new UserListEvent(*this); }

    const UserList& GetUserList() const { return m_list; }
    void SetUserList(const UserList& list) { m_list = list; }
    // Of a refreshed list: its number among the lists published (the first is 1) and when its
    // download began; 0 and invalid otherwise.
    unsigned long GetListNumber() const { return m_listNumber; }
    void SetListNumber(unsigned long number) { m_listNumber = number; }
    const wxDateTime& GetTime() const { return m_time; }
    void SetTime(const wxDateTime& time) { m_time = time; }

private:
    UserList m_list;
    unsigned long m_listNumber = 0;
    wxDateTime m_time;
};

typedef void (wxEvtHandler::*UserListEventFunction)(UserListEvent&);
#define UserListEventHandler(func) wxEVENT_HANDLER_CAST(UserListEventFunction, func)

#define EVT_USER_LIST_INITIALIZED(func)                                                            \
    wx__DECLARE_EVT0(wxEVT_USER_LIST_INITIALIZED, UserListEventHandler(func))
#define EVT_USER_LIST_REFRESHED(func)                                                              \
    wx__DECLARE_EVT0(wxEVT_USER_LIST_REFRESHED, UserListEventHandler(func))
