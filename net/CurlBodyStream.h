#pragma once

#include <wx/stream.h>

class CurlSession;

// The body of the reply at hand in a session, as a stream: it ends where the body ends, and
// any failure (a cut body, a time-out, a stop) is a read error, never an early end. Deleting it
// before the end abandons the transfer.
class CurlBodyStream : public wxInputStream {
public:
    explicit CurlBodyStream(CurlSession& session);
    ~CurlBodyStream() override;

    // The length that will be read, or (size_t)-1 when unknown (none announced, or encoded).
    size_t GetSize() const override;

protected:
    size_t OnSysRead(void* buffer, size_t size) override;

private:
    CurlSession& m_session;
};
