#include "tests/support/LogCapture.h"

LogCapture::LogCapture() : m_previous(wxLog::SetActiveTarget(this)) {}

LogCapture::~LogCapture() {
    wxLog::SetActiveTarget(m_previous);
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) {
    messages.push_back({level, msg.utf8_string()});
}

bool LogCapture::Holds(const std::string& text) const {
    for (const Message& message : messages)
        if (message.text.find(text) != std::string::npos)
            return true;
    return false;
}
