#include "ui/trees/TypeAheadFind.h"

const wxString& TypeAheadFind::Type(wxUniChar letter, Clock::time_point now) {
    if (!IsTyping(now))
        m_prefix.clear();
    m_prefix += letter;
    m_last = now;
    return m_prefix;
}

bool TypeAheadFind::Matches(const wxString& name) const {
    return !m_prefix.empty() && name.length() >= m_prefix.length() &&
           name.Left(m_prefix.length()).CmpNoCase(m_prefix) == 0;
}

bool TypeAheadFind::IsTyping(Clock::time_point now) const {
    return !m_prefix.empty() && now - m_last < RESET_AFTER;
}
