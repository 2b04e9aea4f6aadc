#pragma once

#include "core/UserListEvent.h"

#include <wx/event.h>

#include <string>
#include <vector>

// A handler that records every user and list event it receives, in order of arrival.
class EventRecorder : public wxEvtHandler {
public:
    struct Record {
        wxEventType type;
        int id;
        std::string name;         // the user's name; empty for a list event
        unsigned long status;     // the user's status; the list's size for a list event
        unsigned long oldStatus;  // user events only
        UserList list;            // list events only
        unsigned long listNumber; // the refresh thread's list they came from (a refreshed list's)
        wxDateTime time;          // a refreshed list's
    };

    EventRecorder();

    std::vector<Record> records;
    size_t Count(wxEventType type) const;

private:
    void OnUser(UserEvent& event);
    void OnList(UserListEvent& event);
};
