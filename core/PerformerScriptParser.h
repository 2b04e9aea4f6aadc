#pragma once

#include "core/UserList.h"

#include <wx/regex.h>

#include <cstddef>
#include <functional>
#include <string>

// Turns the site's performer script into a UserList. A performer line opens a performer; the
// category lines after it, up to the next performer line or the end, give its status flags.
// Every other line is ignored. Bytes may arrive in pieces of any size: a line split across
// pieces is put back together, and the final line counts even without a line end.
//
// One instance per thread: the compiled expressions keep match state.
class PerformerScriptParser {
public:
    // Called after each performer is stored; returning false abandons the parse.
    using StoredHook = std::function<bool()>;

    // Longer lines are cut to this many bytes; no real script line comes near it, and it
    // bounds what a misbehaving server can make us hold.
    static constexpr size_t MAX_LINE_BYTES = 64 * 1024;

    PerformerScriptParser();

    // Starts a new script: an empty list, nothing pending, no flags.
    void Reset();

    // Feeds raw bytes; false when the hook abandoned the parse.
    bool Feed(const char* data, size_t size, const StoredHook& stored = StoredHook());
    // The end of the data: examines an unterminated final line and stores the pending
    // performer. False when the hook abandoned the parse.
    bool Finish(const StoredHook& stored = StoredHook());

    // Examines one line (without its line end); true when it stored the pending performer.
    bool ParseLine(const wxString& line);

    const UserList& GetUserList() const { return m_list; }
    // Lines examined since Reset(), the one at hand included.
    size_t GetLinesRead() const { return m_lines; }

    // The flag word after a category line with the given word.
    static unsigned long ApplyCategory(unsigned long flags, const wxString& word);

private:
    // ParseLine for one line's raw bytes.
    bool ParseLineBytes(const char* bytes, size_t size);
    bool StorePending();

    wxRegEx m_performerLine;
    wxRegEx m_categoryLine;
    UserList m_list;
    wxString m_pendingName;
    // Reused to widen an ASCII name without allocating.
    std::wstring m_wideName;
    bool m_hasPending = false;
    unsigned long m_flags = 0;
    size_t m_lines = 0;
    std::string m_lineBuffer;
};
