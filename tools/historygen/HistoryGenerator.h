#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HistoryStore;

// A plausible history, written through the store as the recorder would write it: the program
// watches every day from 9:00 to 2:00 local time (now and then a day off), one list every
// step; each performer is online on two to four habitual weekdays around her habitual evening
// hour (sessions of one to four hours, some across midnight) and now and then at another time,
// going between free and busy every twenty minutes or so. The same seed gives the same history.
class HistoryGenerator {
public:
    struct Options {
        std::vector<std::string> names;
        int days = 84;
        // The end of the history: the last list, seconds since the epoch.
        std::int64_t now = 0;
        unsigned seed = 1;
        int stepSeconds = 300;
        int meanStatusMinutes = 20;
    };
    struct Totals {
        long lists = 0;
        long sessions = 0;
        long changes = 0;
    };

    // Writes into an open, recording store and waits until it is written; false when the store
    // failed.
    static bool Generate(HistoryStore& store, const Options& options, Totals* totals);
};
