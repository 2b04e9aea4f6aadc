#pragma once

#include <cstdint>
#include <string>

class SqliteConnection;
struct sqlite3_stmt;

// One prepared statement of a connection, finalised with the object. Parameters count from 1,
// columns from 0; text is UTF-8.
class SqliteStatement {
public:
    SqliteStatement(SqliteConnection& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // False when the statement could not be prepared (the connection says why).
    bool IsOk() const { return m_statement != nullptr; }

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, const std::string& text);
    SqliteStatement& BindNull(int index);

    // The next row: true while there is one; false at the end or on a failure (Failed()).
    bool Step();
    // Runs a statement without rows to its end and makes it ready again; false on a failure.
    bool Run();
    // Ready to run again, parameters cleared.
    void Reset();
    bool Failed() const { return m_failed; }

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};
