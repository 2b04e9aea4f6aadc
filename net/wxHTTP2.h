#pragma once

#include "net/HttpConnection.h"
#include "net/HttpProxy.h"

#include <wx/protocol/http.h>

#include <string>
#include <utility>
#include <vector>

#include <netinet/in.h>

// Standard Base64 (RFC 4648), always one line however long the input.
wxString Base64Encode(const unsigned char* data, size_t length);
// "Basic " and the Base64 of "user:password" in UTF-8: the value of a credentials header.
wxString BasicCredentials(const wxString& user, const wxString& password);

// wxHTTP with HTTP Basic authentication and the proxy road: with a user name set, every
// request carries an "Authorization" header built from the credentials stored at that moment;
// a request for a host that the client's proxy serves goes to the proxy with the absolute
// address in its request line and the proxy's credentials, if it has any. Both credential
// headers belong to one request only: a request without them never sends old ones.
//
// Safe on a worker thread: the request goes out and the reply is read on a connection of its
// own (HttpConnection), whose every wait is bounded and notices a stop request. Times:
//   - the name lookup: LOOKUP_SECONDS, or the time-out when that is longer;
//   - connecting, and the reply's status line and headers altogether: the time-out (wxProtocol's
//     SetTimeout);
//   - the body: each read the time-out, and all the body's waits together BODY_WAIT_SECONDS
//     plus one second for every MIN_BODY_RATE bytes that the reply announces, or else that
//     have arrived (a module of 10 MiB may take 22 minutes, a line of 64 kbit/s).
class wxHTTP2 : public wxHTTP {
public:
    static constexpr int LOOKUP_SECONDS = 10;
    static constexpr int BODY_WAIT_SECONDS = 30;
    static constexpr size_t MIN_BODY_RATE = 8 * 1024;

    // Starts with the process-wide default proxy (HttpProxy::GetDefault).
    wxHTTP2();
    ~wxHTTP2() override;

    // Looks up the host, or the proxy when it serves host:port, for the requests that follow;
    // the "Host" header becomes host[:port]. Port 0 is 80. False when the name is not found,
    // not in time, or on a stop.
    bool Connect(const wxString& host, unsigned short port) override;
    bool Connect(const wxString& host) override { return Connect(host, 0); }

    // Like wxHTTP's: null on a failed connection and on replies of 400 and above (GetResponse()
    // tells the code); afterwards GetHeader() gives the reply's headers. The stream must be
    // deleted before the client.
    wxInputStream* GetInputStream(const wxString& path) override;

    // wxProtocol's setters are not virtual: these store into the same members, so setting the
    // credentials through a base pointer counts as well.
    void SetUser(const wxString& user) { m_username = user; }
    void SetPassword(const wxString& password) { m_password = password; }

    // Extra headers put on every request; setting "Host" this way overrides the one that
    // Connect() puts. A second call with the same name replaces the value.
    void SetFixedHeader(const wxString& name, const wxString& value);

    // The proxy for the next Connect(); HttpProxy() for none.
    void SetProxy(const HttpProxy& proxy) { m_proxy = proxy; }

    bool Close() override;

private:
    using Clock = HttpConnection::Clock;

    // Sets the headers of this request: fixed ones, "Host", and the credentials of the
    // moment (or none).
    void PrepareHeaders();
    // One line of the reply without its line end; false on a read error, or when the deadline
    // passes first.
    bool ReadReplyLine(std::string* line, Clock::time_point deadline);
    // Sends the request and reads the status line and headers, which have to arrive within
    // the deadline altogether: a server that trickles them cannot hold the caller longer.
    bool Exchange(const wxString& target, Clock::time_point deadline);

    std::vector<std::pair<wxString, wxString>> m_fixedHeaders;
    HttpProxy m_proxy;
    // Set by Connect(): where requests go, and for which host.
    bool m_resolved = false;
    bool m_viaProxy = false;
    sockaddr_in m_address{};
    wxString m_hostHeader;
    HttpConnection m_connection;
};
