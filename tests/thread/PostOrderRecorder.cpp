#include "tests/thread/PostOrderRecorder.h"

std::vector<std::string> PostOrderRecorder::Log::Snapshot() {
    std::lock_guard<std::mutex> lock(guard);
    return entries;
}

void PostOrderRecorder::QueueEvent(wxEvent* event) {
    std::string entry = m_tag;
    const wxEventType type = event->GetEventType();
    if (type == wxEVT_USER_LIST_INITIALIZED)
        entry += " list";
    else if (type == wxEVT_USER_ADDED)
        entry += " added ";
    else if (type == wxEVT_USER_DELETED)
        entry += " deleted ";
    else if (type == wxEVT_USER_CHANGED)
        entry += " changed ";
    else if (type == wxEVT_USER_LIST_REFRESHED)
        entry += " refreshed";
    if (auto* user = dynamic_cast<UserEvent*>(event))
        entry += user->GetUser().GetName().ToStdString();
    {
        std::lock_guard<std::mutex> lock(m_log.guard);
        m_log.entries.push_back(entry);
    }
    EventRecorder::QueueEvent(event);
}
