#include "ui/popup/SummaryTally.h"

#include "ui/popup/PopupDialog.h"

#include <wx/intl.h>

void SummaryTally::Add(const wxString& name, int kind) {
    if (kind == PopupDialog::KIND_FREE)
        ++m_free;
    else
        ++m_online;
    if (m_names.size() < LISTED_NAMES)
        m_names.push_back(name);
}

wxString SummaryTally::GetHeadline() const {
    const int count = GetCount();
    if (m_reason == REASON_PAUSE) {
        if (m_free == 0)
            return wxString::Format(_("%d came online meanwhile"), count);
        if (m_online == 0)
            return wxString::Format(_("%d became free meanwhile"), count);
        return wxString::Format(_("%d came online or became free meanwhile"), count);
    }
    if (m_free == 0)
        return wxString::Format(_("%d more came online"), count);
    if (m_online == 0)
        return wxString::Format(_("%d more are free"), count);
    return wxString::Format(_("%d more"), count);
}

wxString SummaryTally::GetNames() const {
    wxString names;
    for (const wxString& name : m_names)
        names += (names.empty() ? "" : "\n") + name;
    if (static_cast<size_t>(GetCount()) > m_names.size())
        names += wxString::FromUTF8("\n\u2026");
    return names;
}
