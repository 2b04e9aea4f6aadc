#include "ui/frame/FavoritesReplyParser.h"

FavoritesReplyParser::FavoritesReplyParser() : m_pattern("([[:alnum:]_]+)", wxRE_EXTENDED) {}

void FavoritesReplyParser::Parse(const char* data, size_t length) {
    if (!data)
        return;
    const char* const end = data + length;
    const char* lineStart = data;
    for (const char* p = data; p != end; ++p) {
        if (*p != '\n' && *p != '\r')
            continue;
        ParseLine(lineStart, p);
        if (*p == '\r' && p + 1 != end && p[1] == '\n')
            ++p;
        lineStart = p + 1;
    }
    // The last line counts even when the body does not end with a line break.
    ParseLine(lineStart, end);
}

void FavoritesReplyParser::ParseLine(const char* begin, const char* end) {
    if (begin == end)
        return;
    const size_t size = static_cast<size_t>(end - begin);
    wxString line = wxString::FromUTF8(begin, size);
    if (line.empty())
        line = wxString::From8BitData(begin, size);
    // A NUL would end the line early for the matcher; it is no name character anyway.
    line.Replace(wxString(wxUniChar(0)), " ");

    if (!m_pattern.Matches(line))
        return;
    const wxString name = m_pattern.GetMatch(line, 1);
    if (!name.empty())
        m_names.insert(name);
}

wxString FavoritesReplyParser::GetFavoritesValue() const {
    wxString value;
    for (const wxString& name : m_names)
        value << name << ',';
    return value;
}
