#pragma once

#include "net/CurlSession.h"

#include <memory>

// Sessions that a finished download left behind, with their open connections: the next
// download takes one and reuses a connection to the same host (thumbnails one after another).
// Any thread.
class CurlSessionPool {
public:
    // As many as thumbnails are fetched at once.
    static constexpr size_t MAX_IDLE = 4;

    // An idle session, or a new one.
    static std::unique_ptr<CurlSession> Take();
    // Keeps session for the next Take(), unless enough wait already or the plug-in is ending.
    static void Give(std::unique_ptr<CurlSession> session);
    // Closes every idle session: at the plug-in's end.
    static void Drain();
};
