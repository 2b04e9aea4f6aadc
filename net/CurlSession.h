#pragma once

#include "core/FailureReason.h"

#include <curl/curl.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One transfer at a time on a libcurl easy handle of its own, driven through a multi handle of
// its own: the connections it opens stay open for the next transfer of the same session (and
// are reused by it), and every wait is cut into slices of a tenth of a second, so that the
// waiting thread notices at once when it is asked to stop or the plug-in ends.
//
// The reply is pulled: Start() returns once the head is in, and the body comes in as Read()
// asks for it, so a reader that stops reading holds no more than libcurl's buffer.
//
// Times of a transfer:
//   - the name lookup: lookupTime, or the time-out when that is longer;
//   - connecting (TLS handshake included), and the reply's head altogether: the time-out;
//   - the body: each wait the time-out, and all the body's waits together bodyWait plus one
//     second for every earnRate bytes that the reply announces, or else that have arrived.
// Time that the reader spends between reads does not count.
//
// One thread at a time; the handles may move between threads between transfers.
class CurlSession {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SLICE{100};

    struct Request {
        std::string url;
        // "Name: value", sent as given; a "Host" here replaces the URL's.
        std::vector<std::string> headers;
        // Unset: the proxy that the environment names, as curl reads it; empty: none.
        std::optional<std::string> proxy;
        // Asks for a compressed body (which arrives decompressed).
        bool compressed = true;
        std::chrono::milliseconds timeout{10000};
        std::chrono::milliseconds lookupTime{10000};
        std::chrono::milliseconds bodyWait{30000};
        size_t earnRate = 8 * 1024;
        // The query holds a secret: a redirect is followed only to the same host over https,
        // any other is a failure.
        bool secretQuery = false;
    };

    // Redirects (301, 302, 303, 307, 308) followed over http and https; credentials go to the
    // request's host only (libcurl's rule).
    static constexpr long MAX_REDIRECTS = 5;

    CurlSession();
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // Once per process start of the plug-in, on the main thread, before any transfer: sets
    // libcurl up, keeps it loaded for good, and reads the certificate authorities to trust
    // from CURL_CA_BUNDLE, SSL_CERT_FILE and SSL_CERT_DIR (as the curl tool does). Reads them
    // again on each call.
    static void Initialise();
    // Any thread: every session waiting in a transfer looks at once whether it should stop.
    static void WakeAll();
    // The calling thread is a toolkit thread that was asked to stop, or the plug-in is ending.
    static bool StopRequested();

    // Ends any transfer still open, sends request and waits for the head of the final reply;
    // false when none came (see Failure()).
    bool Start(const Request& request);
    // The reply's status; after a failed CONNECT through a proxy, the proxy's.
    long Status() const { return m_status; }
    // The final reply's headers, in their order; a repeated one appears twice.
    const std::vector<std::pair<std::string, std::string>>& Headers() const { return m_headers; }
    // The body's length as it will be read, or -1 when unknown (none announced, or encoded).
    long long BodyLength() const { return m_bodyLength; }

    // Up to size bytes of the body: the count, 0 at its end, -1 on a failure.
    long Read(char* buffer, size_t size);
    // The transfer is over: the body was read to its end, or it failed.
    bool Finished() const { return m_state == State::IDLE; }
    // Ends the current transfer; its connection is closed unless the transfer was complete.
    void Abandon();

    // Why the last transfer failed; unset while it goes well.
    const FailureReason& Failure() const { return m_failure; }
    // The proxy of the last transfer as the request or the environment names it, without its
    // credentials: for messages.
    std::string ProxyAddress() const;

private:
    enum class State { IDLE, HEAD, BODY };

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static curl_socket_t OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int OnConnected(void* self, char* remoteIp, char* localIp, int remotePort,
                           int localPort);

    void Configure(const Request& request);
    // Lets libcurl work until ready() holds or the transfer ends; false on a failure.
    template <typename Ready>
    bool Drive(Ready ready);
    // The deadline that the wait at hand must keep, and what it means when it passes.
    Clock::time_point Deadline(FailureReason* late) const;
    void HeadComplete();
    // At the end of a redirect's head: false when the request may not follow it (m_failure
    // says why). Logs once per host a permanent move of its own from http to https.
    bool MayFollow();
    void Finish(CURLcode result);
    void Fail(const FailureReason& reason);
    FailureReason Explain(CURLcode result) const;
    void Detach();

    CURL* m_easy;
    CURLM* m_multi;
    curl_slist* m_headerList = nullptr;
    char m_error[CURL_ERROR_SIZE] = {};

    State m_state = State::IDLE;
    bool m_attached = false;
    Request m_request;
    std::string m_scheme;
    std::string m_host; // host[:port] of the URL, for messages
    Clock::time_point m_started;
    // Set when the lookup has ended (a socket is being connected) or a kept connection is
    // taken: the time-out runs from here.
    std::optional<Clock::time_point> m_reached;
    bool m_connected = false;
    Clock::time_point m_readDeadline;
    Clock::duration m_bodyBudget{};
    long m_status = 0;
    std::vector<std::pair<std::string, std::string>> m_headers;
    bool m_headComplete = false;
    std::string m_location; // of the reply under way
    long long m_announced = -1;
    long long m_bodyLength = -1;
    std::string m_pending;
    size_t m_pendingRead = 0;
    FailureReason m_failure;
};
