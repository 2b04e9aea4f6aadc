#include "history/HistorySchema.h"

#include "history/SqliteConnection.h"

#include <wx/intl.h>

namespace {

// STEPS[v] takes a file of version v to v + 1. Times are seconds since the epoch; names are
// UTF-8. A session's "until" is empty while it is open: the until of its watch (the time of
// the last list) stands for it, so a refresh writes one row, however many are online.
const char* const STEPS[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE watches(id INTEGER PRIMARY KEY, start INTEGER NOT NULL,"
    "  until INTEGER NOT NULL);"
    "CREATE TABLE performers(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,"
    "  since INTEGER NOT NULL);"
    "CREATE TABLE sessions(id INTEGER PRIMARY KEY, performer INTEGER NOT NULL,"
    "  watch INTEGER NOT NULL, start INTEGER NOT NULL, until INTEGER);"
    "CREATE INDEX sessions_by_performer ON sessions(performer, start);"
    "CREATE TABLE changes(session INTEGER NOT NULL, at INTEGER NOT NULL,"
    "  status INTEGER NOT NULL, PRIMARY KEY(session, at)) WITHOUT ROWID;"
    "CREATE TABLE announcements(id INTEGER PRIMARY KEY, at INTEGER NOT NULL,"
    "  name TEXT NOT NULL, kind INTEGER NOT NULL, outcome INTEGER NOT NULL);",
};
static_assert(sizeof STEPS / sizeof *STEPS == HistorySchema::VERSION, "one step per version");

} // namespace

int HistorySchema::ReadVersion(SqliteConnection& db, wxString* why) {
    wxString problem;
    const std::int64_t version = db.QueryInt("PRAGMA user_version", -1, &problem);
    if (!problem.empty() || version < 0) {
        *why = problem;
        return -1;
    }
    // Version 0 with tables is some other program's file: not ours to add to.
    if (version == 0 && db.QueryInt("SELECT count(*) FROM sqlite_schema", -1, &problem) != 0) {
        *why = problem.empty() ? _("it is not a history file") : problem;
        return -1;
    }
    return static_cast<int>(version);
}

bool HistorySchema::Migrate(SqliteConnection& db, int from, wxString* why) {
    if (!db.Execute("BEGIN IMMEDIATE", why))
        return false;
    for (int version = from; version < VERSION; ++version) {
        if (!db.Execute(STEPS[version], why)) {
            db.Execute("ROLLBACK");
            return false;
        }
    }
    const wxString setVersion = wxString::Format("PRAGMA user_version = %d", VERSION);
    if (!db.Execute(setVersion.utf8_str(), why) || !db.Execute("COMMIT", why)) {
        db.Execute("ROLLBACK");
        return false;
    }
    return true;
}
