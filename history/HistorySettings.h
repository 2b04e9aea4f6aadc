#pragma once

#include <wx/string.h>

// The history's settings: whose sessions are recorded ("/History/scope": "favorites" or
// "all") and for how many days they are kept ("/History/days"). A value that is missing or
// not one of these counts as its default.
class HistorySettings {
public:
    static constexpr long MIN_DAYS = 1, MAX_DAYS = 3650, DEFAULT_DAYS = 90;
    static constexpr const char* SCOPE_FAVORITES = "favorites";
    static constexpr const char* SCOPE_ALL = "all";

    // True for "all": every performer's sessions, not only the favourites'.
    static bool RecordsEveryone();
    static long Days();
};
