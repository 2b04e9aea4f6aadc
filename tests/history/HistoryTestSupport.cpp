#include "tests/history/HistoryTestSupport.h"

#include "history/SqliteConnection.h"
#include "tests/support/TestEnvironment.h"

#include <sqlite3.h>

#include <ctime>
#include <fstream>
#include <sstream>

namespace historytest {

std::string NewFilePath() {
    return TestEnvironment::MakeTempDir("history") + "/data/history.sqlite3";
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::int64_t Query(const std::string& path, const char* sql) {
    SqliteConnection db;
    wxString why;
    if (!db.Open(path, SQLITE_OPEN_READONLY, &why))
        return -1;
    return db.QueryInt(sql, -1);
}

HistoryBatch Batch(std::int64_t time, std::int64_t previous, bool newWatch,
                   std::initializer_list<const char*> opened,
                   std::initializer_list<const char*> changed,
                   std::initializer_list<const char*> closed, int retentionDays) {
    HistoryBatch batch;
    batch.time = time;
    batch.previousTime = previous;
    batch.newWatch = newWatch;
    batch.retentionDays = retentionDays;
    for (const char* name : opened)
        batch.opened.emplace_back(name, FREE);
    for (const char* name : changed)
        batch.changed.emplace_back(name, BUSY);
    for (const char* name : closed)
        batch.closed.push_back(name);
    return batch;
}

std::int64_t Local(int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

} // namespace historytest
