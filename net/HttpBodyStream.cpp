#include "net/HttpBodyStream.h"

#include "net/HttpConnection.h"

#include <algorithm>

HttpBodyStream::HttpBodyStream(HttpConnection& connection, size_t length,
                               std::chrono::milliseconds readTimeout,
                               std::chrono::milliseconds waitBudget, size_t earnRate)
    : m_connection(connection), m_length(length), m_readTimeout(readTimeout),
      m_budgetLeft(waitBudget), m_earnRate(earnRate) {}

HttpBodyStream::~HttpBodyStream() {
    m_connection.Close();
}

size_t HttpBodyStream::OnSysRead(void* buffer, size_t size) {
    const bool announced = m_length != static_cast<size_t>(-1);
    if (announced && m_received >= m_length) {
        m_lasterror = wxSTREAM_EOF;
        return 0;
    }
    if (announced)
        size = std::min(size, m_length - m_received);
    const auto start = HttpConnection::Clock::now();
    const auto wait = std::min<HttpConnection::Clock::duration>(m_readTimeout, m_budgetLeft);
    const long got = m_connection.Receive(
        buffer, size, start + std::max(wait, HttpConnection::Clock::duration::zero()));
    m_budgetLeft -= HttpConnection::Clock::now() - start;
    if (got > 0) {
        m_received += static_cast<size_t>(got);
        if (!announced)
            m_budgetLeft += std::chrono::duration_cast<HttpConnection::Clock::duration>(
                std::chrono::duration<double>(static_cast<double>(got) / m_earnRate));
        return static_cast<size_t>(got);
    }
    // Without a length the body ends where the server closes; with one, that is a cut body.
    m_lasterror = got == 0 && !announced ? wxSTREAM_EOF : wxSTREAM_READ_ERROR;
    return 0;
}
