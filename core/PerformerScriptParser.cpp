#include "core/PerformerScriptParser.h"

#include "core/PerformerLineMatcher.h"

#include <wx/strconv.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {
// Literal runs that every match of the expressions contains (the "." before them may be any
// character, so it is not part of them). A decoded line without one cannot match.
const char PERFORMER_LITERAL[] = "viewers = ";
const char CATEGORY_LITERAL[] = "_performers";

enum class Category { ONLINE, FREE, BUSY, PUBLIC, PRIVATE, OTHER };

Category CategoryOf(std::string_view word) {
    if (word == "online")
        return Category::ONLINE;
    if (word == "free")
        return Category::FREE;
    if (word == "busy")
        return Category::BUSY;
    if (word == "public")
        return Category::PUBLIC;
    if (word == "private")
        return Category::PRIVATE;
    return Category::OTHER;
}

Category CategoryOf(const wxString& word) {
    // Every known word is short ASCII; anything else is no known word.
    char narrow[8];
    if (word.length() > sizeof narrow)
        return Category::OTHER;
    size_t size = 0;
    for (const wxUniChar c : word) {
        if (!c.IsAscii())
            return Category::OTHER;
        narrow[size++] = static_cast<char>(c.GetValue());
    }
    return CategoryOf(std::string_view(narrow, size));
}

unsigned long Apply(unsigned long flags, Category category) {
    switch (category) {
    case Category::ONLINE:
        return flags | User::ONLINE;
    case Category::FREE:
        return (flags & ~0x1CUL) | 0x03UL;
    case Category::BUSY:
        flags = (flags & ~0x02UL) | 0x05UL;
        return (flags & User::PRIVATE) ? flags : flags | User::PUBLIC;
    case Category::PUBLIC:
        return (flags & ~0x12UL) | 0x0DUL;
    case Category::PRIVATE:
        return (flags & ~0x0AUL) | 0x15UL;
    case Category::OTHER:
        break;
    }
    return flags;
}

bool IsAscii(const char* bytes, size_t size) {
    // Eight bytes at a time: this runs over every line of the script.
    std::uint64_t seen = 0;
    size_t at = 0;
    for (; at + sizeof seen <= size; at += sizeof seen) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, sizeof word);
        seen |= word;
    }
    for (; at < size; ++at)
        seen |= static_cast<unsigned char>(bytes[at]);
    return (seen & 0x8080808080808080ULL) == 0;
}

bool Contains(const wxString& line, const char* literal) {
    return line.find(literal) != wxString::npos;
}

wxString DecodeLine(const char* bytes, size_t size) {
    wxString line = wxString::FromUTF8(bytes, size);
    // Not UTF-8: keep the bytes as Latin-1 rather than losing the whole line.
    if (line.empty() && size != 0)
        line = wxString(bytes, wxConvISO8859_1, size);
    return line;
}

const char* FindByte(const char* from, const char* end, char byte) {
    // memchr must not see a null pointer, even for no bytes.
    if (from == end)
        return end;
    const void* found = std::memchr(from, byte, static_cast<size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}
} // namespace

PerformerScriptParser::PerformerScriptParser()
    : m_performerLine(PerformerLineMatcher::PERFORMER_PATTERN, wxRE_EXTENDED),
      m_categoryLine(PerformerLineMatcher::CATEGORY_PATTERN, wxRE_EXTENDED) {}

void PerformerScriptParser::Reset() {
    m_list.Clear();
    m_pendingName.clear();
    m_hasPending = false;
    m_flags = 0;
    m_lines = 0;
    m_lineBuffer.clear();
}

bool PerformerScriptParser::Feed(const char* data, size_t size, const StoredHook& stored) {
    const char* const end = data + size;
    // Scripts rarely hold a carriage return, so its next place is looked up only once passed.
    const char* nextReturn = FindByte(data, end, '\r');
    for (const char* p = data; p < end;) {
        if (nextReturn < p)
            nextReturn = FindByte(p, end, '\r');
        const char* lineEnd = std::min(FindByte(p, end, '\n'), nextReturn);
        const size_t length = static_cast<size_t>(lineEnd - p);
        bool storedOne = false;
        if (m_lineBuffer.empty() && lineEnd != end) {
            // A whole line inside this piece is examined where it lies.
            storedOne = length != 0 && ParseLineBytes(p, std::min(length, MAX_LINE_BYTES));
        } else {
            const size_t room = MAX_LINE_BYTES - std::min(m_lineBuffer.size(), MAX_LINE_BYTES);
            m_lineBuffer.append(p, std::min(room, length));
            if (lineEnd == end)
                break;
            storedOne = ParseLineBytes(m_lineBuffer.data(), m_lineBuffer.size());
            m_lineBuffer.clear();
        }
        if (storedOne && stored && !stored())
            return false;
        p = lineEnd + 1;
    }
    return true;
}

bool PerformerScriptParser::Finish(const StoredHook& stored) {
    const bool storedOne =
        !m_lineBuffer.empty() && ParseLineBytes(m_lineBuffer.data(), m_lineBuffer.size());
    m_lineBuffer.clear();
    if (storedOne && stored && !stored())
        return false;
    return !StorePending() || !stored || stored();
}

bool PerformerScriptParser::ParseLineBytes(const char* bytes, size_t size) {
    ++m_lines;
    // An all-ASCII line decodes to the same characters, so the hand matcher decides it on its
    // bytes. Other lines are decoded and given to the expressions: the toolkit's UTF-8 decoder
    // accepts overlong forms, which turn other bytes into ASCII characters.
    if (!IsAscii(bytes, size))
        return ParseLine(DecodeLine(bytes, size));
    const std::string_view line(bytes, size);
    std::string_view group;
    if (PerformerLineMatcher::MatchPerformer(line, group)) {
        const bool storedOne = StorePending();
        m_wideName.assign(group.size(), L'\0');
        std::copy(group.begin(), group.end(), m_wideName.begin());
        m_pendingName.assign(m_wideName.data(), m_wideName.size());
        m_hasPending = true;
        return storedOne;
    }
    if (PerformerLineMatcher::MatchCategory(line, group))
        m_flags = Apply(m_flags, CategoryOf(group));
    return false;
}

bool PerformerScriptParser::ParseLine(const wxString& line) {
    if (Contains(line, PERFORMER_LITERAL) && m_performerLine.Matches(line)) {
        const bool stored = StorePending();
        m_pendingName = m_performerLine.GetMatch(line, 1);
        m_hasPending = true;
        return stored;
    }
    if (Contains(line, CATEGORY_LITERAL) && m_categoryLine.Matches(line))
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
    return Apply(flags, CategoryOf(word));
}
