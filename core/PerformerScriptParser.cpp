#include "core/PerformerScriptParser.h"

#include <wx/strconv.h>

namespace {
// Searched anywhere in the line; "." is any character, as the site's script has it.
const char PERFORMER_PATTERN[] = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
const char CATEGORY_PATTERN[] = "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";

wxString DecodeLine(const std::string& bytes) {
    wxString line = wxString::FromUTF8(bytes.data(), bytes.size());
    // Not UTF-8: keep the bytes as Latin-1 rather than losing the whole line.
    if (line.empty() && !bytes.empty())
        line = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return line;
}
} // namespace

PerformerScriptParser::PerformerScriptParser()
    : m_performerLine(PERFORMER_PATTERN, wxRE_EXTENDED),
      m_categoryLine(CATEGORY_PATTERN, wxRE_EXTENDED) {}

void PerformerScriptParser::Reset() {
    m_list.Clear();
    m_pendingName.clear();
    m_hasPending = false;
    m_flags = 0;
    m_lineBuffer.clear();
}

bool PerformerScriptParser::Feed(const char* data, size_t size, const StoredHook& stored) {
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n' || c == '\r') {
            if (!ParseBufferedLine(stored))
                return false;
        } else if (m_lineBuffer.size() < MAX_LINE_BYTES) {
            m_lineBuffer.push_back(c);
        }
    }
    return true;
}

bool PerformerScriptParser::Finish(const StoredHook& stored) {
    if (!ParseBufferedLine(stored))
        return false;
    return !StorePending() || !stored || stored();
}

bool PerformerScriptParser::ParseBufferedLine(const StoredHook& stored) {
    const bool skip = m_lineBuffer.empty();
    const wxString line = skip ? wxString() : DecodeLine(m_lineBuffer);
    m_lineBuffer.clear();
    if (skip)
        return true;
    return !ParseLine(line) || !stored || stored();
}

bool PerformerScriptParser::ParseLine(const wxString& line) {
    if (m_performerLine.Matches(line)) {
        const bool stored = StorePending();
        m_pendingName = m_performerLine.GetMatch(line, 1);
        m_hasPending = true;
        return stored;
    }
    if (m_categoryLine.Matches(line))
        m_flags = ApplyCategory(m_flags, m_categoryLine.GetMatch(line, 1));
    return false;
}

bool PerformerScriptParser::StorePending() {
    if (!m_hasPending)
        return false;
    m_list.AddUser(User(m_pendingName, m_flags));
    m_pendingName.clear();
    m_hasPending = false;
    m_flags = 0;
    return true;
}

unsigned long PerformerScriptParser::ApplyCategory(unsigned long flags, const wxString& word) {
    if (word == "online")
        return flags | User::ONLINE;
    if (word == "free")
        return (flags & ~0x1CUL) | 0x03UL;
    if (word == "busy") {
        flags = (flags & ~0x02UL) | 0x05UL;
        return (flags & User::PRIVATE) ? flags : flags | User::PUBLIC;
    }
    if (word == "public")
        return (flags & ~0x12UL) | 0x0DUL;
    if (word == "private")
        return (flags & ~0x0AUL) | 0x15UL;
    return flags;
}
