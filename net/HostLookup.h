#pragma once

#include <wx/string.h>

#include <chrono>

#include <netinet/in.h>

// Host names are looked up in the background (getaddrinfo_a) and waited for in slices: a
// lookup that hangs (dead name servers) ends at its deadline, or within a tenth of a second
// when the thread is asked to stop or the plug-in ends. The request's control block stays
// with the C library for as long as it may still write to it: an abandoned lookup is freed
// only once it has finished, and never while it runs, even after the plug-in is gone (its
// memory is the heap's, not the plug-in's). No code of ours runs for the lookup: the C
// library's own thread does it, so nothing is left in the plug-in once we stop waiting.
class HostLookup {
public:
    // The IPv4 address of host (a name or a dotted address), with the port set; false when it
    // is not found, not in time, or on a stop.
    static bool Resolve(const wxString& host, unsigned short port,
                        std::chrono::steady_clock::time_point deadline, sockaddr_in* address);
};
