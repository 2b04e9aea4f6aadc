#include "net/CurlBodyStream.h"

#include "net/CurlSession.h"

CurlBodyStream::CurlBodyStream(CurlSession& session) : m_session(session) {}

CurlBodyStream::~CurlBodyStream() {
    if (!m_session.Finished())
        m_session.Abandon();
}

size_t CurlBodyStream::GetSize() const {
    const long long length = m_session.BodyLength();
    return length < 0 ? static_cast<size_t>(-1) : static_cast<size_t>(length);
}

size_t CurlBodyStream::OnSysRead(void* buffer, size_t size) {
    const long got = m_session.Read(static_cast<char*>(buffer), size);
    if (got > 0)
        return static_cast<size_t>(got);
    m_lasterror = got == 0 ? wxSTREAM_EOF : wxSTREAM_READ_ERROR;
    return 0;
}
