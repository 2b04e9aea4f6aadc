#include "history/SqliteStatement.h"

#include "history/SqliteConnection.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(SqliteConnection& db, const char* sql) {
    if (sqlite3_prepare_v3(db.Get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::string& text) {
    sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
    sqlite3_bind_null(m_statement, index);
    return *this;
}

bool SqliteStatement::Step() {
    const int rc = sqlite3_step(m_statement);
    m_failed = rc != SQLITE_ROW && rc != SQLITE_DONE;
    return rc == SQLITE_ROW;
}

bool SqliteStatement::Run() {
    while (Step()) {
    }
    const bool ok = !m_failed;
    Reset();
    return ok;
}

void SqliteStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                : std::string();
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}
