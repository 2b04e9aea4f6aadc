#include "net/HttpBodyStream.h"

#include <wx/socket.h>

#include <algorithm>

HttpBodyStream::HttpBodyStream(wxSocketBase& socket, size_t length)
    : wxSocketInputStream(socket), m_length(length) {}

HttpBodyStream::~HttpBodyStream() {
    m_i_socket->Close();
}

size_t HttpBodyStream::OnSysRead(void* buffer, size_t size) {
    const bool announced = m_length != static_cast<size_t>(-1);
    if (announced && m_received >= m_length) {
        m_lasterror = wxSTREAM_EOF;
        return 0;
    }
    if (announced)
        size = std::min(size, m_length - m_received);
    // A blocking read has no time-out of its own.
    if (!m_i_socket->WaitForRead()) {
        m_lasterror = wxSTREAM_READ_ERROR;
        return 0;
    }
    const size_t got = wxSocketInputStream::OnSysRead(buffer, size);
    m_received += got;
    // Without a length the body ends where the server closes; a time-out is still an error.
    if (!announced && got == 0 && m_lasterror == wxSTREAM_READ_ERROR &&
        m_i_socket->LastError() != wxSOCKET_TIMEDOUT)
        m_lasterror = wxSTREAM_EOF;
    return got;
}
