#include "core/UserEvent.h"

#include "core/UserListEvent.h"

// The event tables name these by reference, so their order of initialisation does not matter.
wxDEFINE_EVENT(wxEVT_USER_LIST_INITIALIZED, UserListEvent);
wxDEFINE_EVENT(wxEVT_USER_ADDED, UserEvent);
wxDEFINE_EVENT(wxEVT_USER_DELETED, UserEvent);
wxDEFINE_EVENT(wxEVT_USER_CHANGED, UserEvent);
wxDEFINE_EVENT(wxEVT_USER_LIST_REFRESHED, UserListEvent);

UserEvent::UserEvent(const User& user, wxEventType type, unsigned long oldStatus)
    : wxEvent(wxID_ANY, type), m_user(user), m_oldStatus(oldStatus) {}
