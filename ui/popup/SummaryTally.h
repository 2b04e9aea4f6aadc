#pragma once

#include <wx/string.h>

#include <vector>

// What a summary of many announcements tells: how many came online or became free, and the
// first few names. Shared by the summary window and the desktop's summary message.
class SummaryTally {
public:
    enum Reason { REASON_OVERFLOW, REASON_PAUSE };
    // Names listed below the count.
    static constexpr size_t LISTED_NAMES = 3;

    explicit SummaryTally(Reason reason) : m_reason(reason) {}

    // Counts one more announcement of the given kind (PopupDialog::KIND_ONLINE or KIND_FREE).
    void Add(const wxString& name, int kind);

    Reason GetReason() const { return m_reason; }
    int GetCount() const { return m_online + m_free; }
    bool IsAllFree() const { return m_online == 0; }
    // "12 more came online", "5 became free meanwhile"...
    wxString GetHeadline() const;
    // The listed names one a line, with an ellipsis below when there were more.
    wxString GetNames() const;

private:
    Reason m_reason;
    int m_online = 0;
    int m_free = 0;
    std::vector<wxString> m_names;
};
