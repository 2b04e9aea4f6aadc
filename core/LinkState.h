#pragma once

#include <wx/datetime.h>

// Whether the site can be asked at all: the network as the desktop sees it, and the machine's
// sleep. Written on the GUI thread by the watches of the two, read by the refresh thread and
// the Connection window; one guard.
class LinkState {
public:
    struct Snapshot {
        bool offline = false;
        wxDateTime offlineSince; // valid while offline
        bool asleep = false;
        // Losses of the network, sleeps and wakes so far: a transfer during which it grew was
        // cut by one of them.
        unsigned long interruptions = 0;
    };

    static Snapshot Get();
    // Online and awake.
    static bool CanAsk();
    static unsigned long Interruptions();
    // Each returns whether the state changed.
    static bool SetOffline(bool offline);
    static bool SetAsleep(bool asleep);
};
