#include "core/PerformerScriptParser.h"

#include <wx/strconv.h>

#include <algorithm>

namespace {
// Searched anywhere in the line; "." is any character, as the site's script has it.
const char PERFORMER_PATTERN[] = "([[:alnum:]_]+).viewers = ([[:digit:]]+)";
const char CATEGORY_PATTERN[] = "([[:alpha:]]+)_performers.add\\(([[:alnum:]_]+)\\)";
// Literal runs that every match of the expression above contains (the "." before them may be
// any character, so it is not part of them). A line without one cannot match, and most lines of
// a script lack both, so the expressions run only where they can succeed.
const char PERFORMER_LITERAL[] = "viewers = ";
const char CATEGORY_LITERAL[] = "_performers";

bool IsAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool Contains(const std::string& bytes, const char* literal) {
    return bytes.find(literal) != std::string::npos;
}

bool Contains(const wxString& line, const char* literal) {
    return line.find(literal) != wxString::npos;
}

// What decoding an all-ASCII line gives, without the decoder's validation; NUL bytes stay.
wxString WidenAscii(const std::string& bytes) {
    return wxString(std::wstring(bytes.begin(), bytes.end()));
}

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
    const char* const end = data + size;
    for (const char* p = data; p < end;) {
        const char* lineEnd = std::find_if(p, end, [](char c) { return c == '\n' || c == '\r'; });
        const size_t room = MAX_LINE_BYTES - std::min(m_lineBuffer.size(), MAX_LINE_BYTES);
        m_lineBuffer.append(p, std::min(room, static_cast<size_t>(lineEnd - p)));
        if (lineEnd == end)
            break;
        if (!ParseBufferedLine(stored))
            return false;
        p = lineEnd + 1;
    }
    return true;
}

bool PerformerScriptParser::Finish(const StoredHook& stored) {
    if (!ParseBufferedLine(stored))
        return false;
    return !StorePending() || !stored || stored();
}

bool PerformerScriptParser::ParseBufferedLine(const StoredHook& stored) {
    const bool storedOne = !m_lineBuffer.empty() && ParseLineBytes(m_lineBuffer);
    m_lineBuffer.clear();
    return !storedOne || !stored || stored();
}

bool PerformerScriptParser::ParseLineBytes(const std::string& bytes) {
    // An all-ASCII line decodes to the same characters, so its bytes answer the literal test
    // without decoding it. Other lines are tested decoded: the toolkit's UTF-8 decoder accepts
    // overlong forms, which turn other bytes into ASCII characters.
    if (!IsAscii(bytes))
        return ParseLine(DecodeLine(bytes));
    const bool mayBePerformer = Contains(bytes, PERFORMER_LITERAL);
    const bool mayBeCategory = Contains(bytes, CATEGORY_LITERAL);
    return (mayBePerformer || mayBeCategory) &&
           ParseLine(WidenAscii(bytes), mayBePerformer, mayBeCategory);
}

bool PerformerScriptParser::ParseLine(const wxString& line) {
    return ParseLine(line, Contains(line, PERFORMER_LITERAL), Contains(line, CATEGORY_LITERAL));
}

bool PerformerScriptParser::ParseLine(const wxString& line, bool mayBePerformer,
                                      bool mayBeCategory) {
    if (mayBePerformer && m_performerLine.Matches(line)) {
        const bool stored = StorePending();
        m_pendingName = m_performerLine.GetMatch(line, 1);
        m_hasPending = true;
        return stored;
    }
    if (mayBeCategory && m_categoryLine.Matches(line))
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
    // Wide literals: comparing with narrow ones converts them on every call.
    if (word == wxS("online"))
        return flags | User::ONLINE;
    if (word == wxS("free"))
        return (flags & ~0x1CUL) | 0x03UL;
    if (word == wxS("busy")) {
        flags = (flags & ~0x02UL) | 0x05UL;
        return (flags & User::PRIVATE) ? flags : flags | User::PUBLIC;
    }
    if (word == wxS("public"))
        return (flags & ~0x12UL) | 0x0DUL;
    if (word == wxS("private"))
        return (flags & ~0x0AUL) | 0x15UL;
    return flags;
}
