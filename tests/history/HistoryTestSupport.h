#pragma once

#include "history/HistoryBatch.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace historytest {

constexpr std::int64_t MINUTE = 60, HOUR = 60 * MINUTE, DAY = 24 * HOUR;
constexpr unsigned long FREE = 0x0B, BUSY = 0x15;

// A history file's path in a new folder of the tests' private home.
std::string NewFilePath();
std::string FileBytes(const std::string& path);
// The first column of the first row of a query on the file, through a connection of its own.
std::int64_t Query(const std::string& path, const char* sql);

// A list's batch: the performers who came online (free), changed (busy) and went.
HistoryBatch Batch(std::int64_t time, std::int64_t previous, bool newWatch,
                   std::initializer_list<const char*> opened,
                   std::initializer_list<const char*> changed = {},
                   std::initializer_list<const char*> closed = {}, int retentionDays = 90);

// Local time of the test's zone (TZ) as seconds since the epoch.
std::int64_t Local(int year, int month, int day, int hour, int minute = 0);

} // namespace historytest
