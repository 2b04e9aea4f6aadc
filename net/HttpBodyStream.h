#pragma once

#include <wx/stream.h>

#include <chrono>

class HttpConnection;

// The body of one HTTP reply on an open connection: ends after the announced length (or where
// the server closes when none was announced) and closes the connection when deleted.
//
// Each read waits at most the read time-out for the next bytes, and all the waits together at
// most the wait budget: a server that drips its body cannot hold the reader for longer. A body
// of no announced length earns one more second of waiting for every earnRate bytes it brings,
// so that a long one on a slow line is not cut while it still flows. Time
// the reader spends between reads (parsing, writing a file) does not count. A stop request
// (see HttpConnection) ends a read within a tenth of a second. Each of these is a read error.
class HttpBodyStream : public wxInputStream {
public:
    // length (size_t)-1: not announced.
    HttpBodyStream(HttpConnection& connection, size_t length, std::chrono::milliseconds readTimeout,
                   std::chrono::milliseconds waitBudget, size_t earnRate);
    ~HttpBodyStream() override;

    size_t GetSize() const override { return m_length; }

protected:
    size_t OnSysRead(void* buffer, size_t size) override;

private:
    HttpConnection& m_connection;
    size_t m_length;
    size_t m_received = 0;
    std::chrono::milliseconds m_readTimeout;
    std::chrono::steady_clock::duration m_budgetLeft;
    size_t m_earnRate;
};
