#pragma once

#include <wx/string.h>

class SqliteConnection;

// The layout of the history file and the way from each earlier layout to this one. The
// file's version is SQLite's "user_version"; 0 is a new, empty file.
class HistorySchema {
public:
    static constexpr int VERSION = 1;

    // The file's version; -1 when it cannot be read or the file holds tables of something
    // else than the history (*why then says so).
    static int ReadVersion(SqliteConnection& db, wxString* why);
    // Brings a file of version from (below VERSION) to VERSION, in one transaction.
    static bool Migrate(SqliteConnection& db, int from, wxString* why);
};
