#include "history/SqliteConnection.h"

#include <sqlite3.h>
#include <wx/intl.h>

namespace {

// What a failure means to the user; SQLite's own text follows in parentheses.
wxString Meaning(int code) {
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return _("it is locked by another program");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return _("it cannot be written");
    case SQLITE_CANTOPEN:
        return _("it cannot be opened or created");
    case SQLITE_FULL:
        return _("the disk is full");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return _("it is damaged");
    default:
        return _("it cannot be used");
    }
}

} // namespace

SqliteConnection::~SqliteConnection() {
    Close();
}

bool SqliteConnection::Open(const wxString& path, int flags, wxString* why) {
    Close();
    const int rc = sqlite3_open_v2(path.utf8_str(), &m_db, flags, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(m_db, 0);
        return true;
    }
    *why = m_db ? Describe() : wxString::Format("%s (%s)", Meaning(rc), sqlite3_errstr(rc));
    Close();
    return false;
}

void SqliteConnection::Close() {
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteConnection::IsReadOnly() const {
    return sqlite3_db_readonly(m_db, "main") == 1;
}

void SqliteConnection::SetBusyTimeout(int ms) {
    sqlite3_busy_timeout(m_db, ms);
}

bool SqliteConnection::Execute(const char* sql, wxString* why) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    if (why)
        *why = Describe();
    return false;
}

std::int64_t SqliteConnection::QueryInt(const char* sql, std::int64_t fallback, wxString* why) {
    sqlite3_stmt* statement = nullptr;
    std::int64_t value = fallback;
    int rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
            value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && why)
        *why = Describe();
    return value;
}

int SqliteConnection::ErrorCode() const {
    return m_db ? sqlite3_errcode(m_db) & 0xFF : SQLITE_MISUSE;
}

wxString SqliteConnection::Describe() const {
    return wxString::Format("%s (%s)", Meaning(ErrorCode()),
                            wxString::FromUTF8(sqlite3_errmsg(m_db)));
}

std::int64_t SqliteConnection::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}
