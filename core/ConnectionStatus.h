#pragma once

#include "core/FailureReason.h"

#include <wx/datetime.h>

// How the site's connection goes, for the Connection window: whether a site is set at all,
// the last complete performer list, the last failure and the next try, and the transfers of
// this run. Written by the refresh thread and by every transfer, read on the GUI thread.
class ConnectionStatus {
public:
    struct Snapshot {
        bool siteSet = true;
        wxDateTime lastList; // invalid before the first complete list
        size_t performers = 0;
        wxDateTime lastFailure; // invalid before the first failure
        FailureReason failure;
        wxDateTime nextTry; // valid while the refresh waits after a failure
        unsigned long transfers = 0;
        unsigned long long bytes = 0; // received, headers included
    };

    static Snapshot Get();
    // A list came whole (or unchanged, still holding performers): the next try is the regular
    // refresh.
    static void ListReceived(size_t performers);
    // retryMs: the wait before the next try; negative when there is none (given up).
    static void ListFailed(const FailureReason& why, int retryMs);
    static void SetSiteSet(bool set);
    static void TransferEnded(unsigned long long bytesReceived);
    // Forgets everything: a new run (tests).
    static void Reset();
};
