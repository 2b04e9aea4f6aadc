#pragma once

#include <cstdint>
#include <vector>

// What the history file holds of one performer within the retention, for the week grid. Times
// are seconds since the epoch; both ends of an interval are moments a list was seen.
struct PerformerHistory {
    struct Interval {
        std::int64_t start;
        std::int64_t until;
        bool open; // a session still going on: until is the last list so far
    };

    // Watched from then on (not before the retention's start); 0 when never watched.
    std::int64_t since = 0;
    // Oldest first.
    std::vector<Interval> sessions;
    // When the program was watching at all, oldest first.
    std::vector<Interval> watches;
};
