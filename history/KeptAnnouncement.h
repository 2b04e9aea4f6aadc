#pragma once

#include <cstdint>
#include <string>

// An announcement of the "Recent" window as the history file keeps it.
struct KeptAnnouncement {
    unsigned long id = 0;
    std::int64_t time = 0; // seconds since the epoch
    std::string name;      // UTF-8
    int kind = 0;
    int outcome = 0;
};
