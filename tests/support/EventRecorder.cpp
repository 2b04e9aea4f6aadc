#include "tests/support/EventRecorder.h"

EventRecorder::EventRecorder() {
    Bind(wxEVT_USER_ADDED, &EventRecorder::OnUser, this);
    Bind(wxEVT_USER_DELETED, &EventRecorder::OnUser, this);
    Bind(wxEVT_USER_CHANGED, &EventRecorder::OnUser, this);
    Bind(wxEVT_USER_LIST_INITIALIZED, &EventRecorder::OnList, this);
    Bind(wxEVT_USER_LIST_REFRESHED, &EventRecorder::OnList, this);
}

size_t EventRecorder::Count(wxEventType type) const {
    size_t n = 0;
    for (const auto& r : records)
        n += r.type == type;
    return n;
}

void EventRecorder::OnUser(UserEvent& event) {
    records.push_back({event.GetEventType(), event.GetId(), event.GetUser().GetName().ToStdString(),
                       event.GetUser().GetStatus(), event.GetOldStatus(), UserList(),
                       event.GetListNumber(), wxDateTime()});
}

void EventRecorder::OnList(UserListEvent& event) {
    records.push_back({event.GetEventType(), event.GetId(), std::string(),
                       static_cast<unsigned long>(event.GetUserList().size()), 0,
                       event.GetUserList(), event.GetListNumber(), event.GetTime()});
}
