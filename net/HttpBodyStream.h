#pragma once

#include <wx/sckstrm.h>

// The body of one HTTP reply on a connected socket: ends after the announced length (or where
// the server closes when none was announced) and closes the connection when deleted.
class HttpBodyStream : public wxSocketInputStream {
public:
    // length (size_t)-1: not announced.
    HttpBodyStream(wxSocketBase& socket, size_t length);
    ~HttpBodyStream() override;

    size_t GetSize() const override { return m_length; }

protected:
    size_t OnSysRead(void* buffer, size_t size) override;

private:
    size_t m_length;
    size_t m_received = 0;
};
