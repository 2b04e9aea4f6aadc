#pragma once

#include <wx/regex.h>
#include <wx/string.h>

#include <set>

// Reads the login check's reply: each line (ended by LF, CR LF or CR, or by the end of the body)
// contributes the first run of letters, digits and underscores in it, if any. Names are kept
// once each. No window and no network: the bytes are all it needs.
class FavoritesReplyParser {
public:
    using NameSet = std::set<wxString>;

    FavoritesReplyParser();

    // Adds the names found in the body to the set; bytes that are not UTF-8 are read as Latin-1.
    void Parse(const char* data, size_t length);

    const NameSet& GetNames() const { return m_names; }
    // The "/favorites" value: every name followed by one comma, e.g. "alice,bob,".
    wxString GetFavoritesValue() const;

private:
    void ParseLine(const char* begin, const char* end);

    wxRegEx m_pattern;
    NameSet m_names;
};
