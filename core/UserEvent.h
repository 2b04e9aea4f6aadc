#pragma once

#include "core/User.h"

#include <wx/event.h>

class UserEvent;
class UserListEvent;

wxDECLARE_EVENT(wxEVT_USER_LIST_INITIALIZED, UserListEvent);
wxDECLARE_EVENT(wxEVT_USER_ADDED, UserEvent);
wxDECLARE_EVENT(wxEVT_USER_DELETED, UserEvent);
wxDECLARE_EVENT(wxEVT_USER_CHANGED, UserEvent);
wxDECLARE_EVENT(wxEVT_USER_LIST_REFRESHED, UserListEvent);

// One performer came, went or changed; carries its own copy of the user.
class UserEvent : public wxEvent {
public:
    static constexpr unsigned long NO_OLD_STATUS = 0xFFFFFFFFUL;

    UserEvent(const User& user, wxEventType type, unsigned long oldStatus);
    UserEvent(const UserEvent& other) = default;
    ~UserEvent() override = default;
    wxEvent* Clone() const override { return new UserEvent(*this); }

    const User& GetUser() const { return m_user; }
    unsigned long GetOldStatus() const { return m_oldStatus; }
    void SetOldStatus(unsigned long status) { m_oldStatus = status; }
    // The refresh thread's list the change was found in, counting its first list as 1; 0 for
    // an event from anywhere else. Tells how many lists a performer was missing from.
    unsigned long GetListNumber() const { return m_listNumber; }
    void SetListNumber(unsigned long number) { m_listNumber = number; }

private:
    User m_user;
    unsigned long m_oldStatus;
    unsigned long m_listNumber = 0;
};

typedef void (wxEvtHandler::*UserEventFunction)(UserEvent&);
#define UserEventHandler(func) wxEVENT_HANDLER_CAST(UserEventFunction, func)

#define EVT_USER_ADDED(func) wx__DECLARE_EVT0(wxEVT_USER_ADDED, UserEventHandler(func))
#define EVT_USER_DELETED(func) wx__DECLARE_EVT0(wxEVT_USER_DELETED, UserEventHandler(func))
#define EVT_USER_CHANGED(func) wx__DECLARE_EVT0(wxEVT_USER_CHANGED, UserEventHandler(func))
