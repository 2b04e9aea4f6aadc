#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What one list of the refresh thread changed in the history, written as one transaction.
// Times are seconds since the epoch, names UTF-8.
struct HistoryBatch {
    // When the list's download began.
    std::int64_t time = 0;
    // The list before it in the same watch: a session that ends with this list ended then,
    // at the last list that showed the performer.
    std::int64_t previousTime = 0;
    // The first list of a watch (a run of the program, or the first after clearing).
    bool newWatch = false;
    // Sessions ended before this many days are pruned, once a day.
    int retentionDays = 0;
    // Performers watched from this list on (favourites, online or not).
    std::vector<std::string> tracked;
    // Came online (with their status), changed status while online, went.
    std::vector<std::pair<std::string, unsigned long>> opened;
    std::vector<std::pair<std::string, unsigned long>> changed;
    std::vector<std::string> closed;
};
