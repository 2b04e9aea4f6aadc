#include "tests/resources/LogCapture.h"

LogCapture::LogCapture() : m_previous(wxLog::SetActiveTarget(this)) {}

LogCapture::~LogCapture() {
    wxLog::SetActiveTarget(m_previous);
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&) {
    messages.push_back({level, msg.utf8_string()});
}
