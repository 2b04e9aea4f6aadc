#pragma once

#include <wx/log.h>

#include <string>
#include <vector>

// Collects the log messages of its lifetime instead of printing them.
class LogCapture : public wxLog {
public:
    struct Message {
        wxLogLevel level;
        std::string text;
    };

    LogCapture();
    ~LogCapture() override;

    std::vector<Message> messages;

    // Whether a message holds the text.
    bool Holds(const std::string& text) const;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    wxLog* m_previous;
};
