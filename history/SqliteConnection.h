#pragma once

#include <wx/string.h>

#include <cstdint>

struct sqlite3;

// One connection to an SQLite file, closed with the object. Used by one thread at a time.
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // flags are SQLite's open flags; false with the reason in *why.
    bool Open(const wxString& path, int flags, wxString* why);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    sqlite3* Get() const { return m_db; }
    // True when the file could only be opened for reading.
    bool IsReadOnly() const;
    // How long a statement waits for another connection's lock before it fails.
    void SetBusyTimeout(int ms);

    // Runs statements that return no rows; false with the reason in *why (when given).
    bool Execute(const char* sql, wxString* why = nullptr);
    // The first column of the first row of a query, or fallback when there is none or it
    // fails (then with the reason in *why).
    std::int64_t QueryInt(const char* sql, std::int64_t fallback, wxString* why = nullptr);
    // SQLite's primary result code of the last failure on this connection.
    int ErrorCode() const;
    // The last failure, in words, with SQLite's own text.
    wxString Describe() const;
    std::int64_t LastInsertId() const;

private:
    sqlite3* m_db = nullptr;
};
