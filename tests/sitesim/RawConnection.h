#pragma once

#include "tests/sitesim/RawHttp.h"

#include <string>
#include <vector>

// One loopback connection kept for several HTTP/1.1 requests, each reply read to its
// Content-Length, so that a test sees which requests share a connection and when the server
// closes it.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // Not answered when the connection is gone or the reply has no length.
    RawReply Get(const std::string& target, const std::vector<std::string>& extra = {});
    // Whether the server closes the connection within timeoutMs.
    bool ClosedWithin(int timeoutMs);

private:
    int m_fd = -1;
    std::string m_pending; // what came after the last reply
};
