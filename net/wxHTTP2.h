#pragma once

#include <wx/longlong.h>
#include <wx/protocol/http.h>

#include <string>
#include <utility>
#include <vector>

// Standard Base64 (RFC 4648), always one line however long the input.
wxString Base64Encode(const unsigned char* data, size_t length);

// wxHTTP with HTTP Basic authentication: with a user name set, every request carries an
// "Authorization" header built from the credentials stored at that moment. Headers are set
// in GetInputStream, i.e. after Connect(), which overwrites "Host" and drops what was set
// before it; wxHTTP also forgets every request header once it has read a reply.
//
// Safe on a worker thread: the request goes out and the reply is read on a blocking socket.
// Its connections end when the plug-in does (see DownloadThreadsModule::Watch).
// (wxHTTP reads the reply lines by peeking in non-blocking mode, which hands the socket to
// the GUI thread's event loop even from a worker; that loop then reads and closes it too.)
class wxHTTP2 : public wxHTTP {
public:
    wxHTTP2() = default;
    ~wxHTTP2() override;

    // Like wxHTTP's: null on a failed connection and on replies other than 1xx to 3xx
    // (GetResponse() tells the code); afterwards GetHeader() gives the reply's headers.
    wxInputStream* GetInputStream(const wxString& path) override;

    // wxProtocol's setters are not virtual: these store into the same members, so setting the
    // credentials through a base pointer counts as well.
    void SetUser(const wxString& user) { m_username = user; }
    void SetPassword(const wxString& password) { m_password = password; }

    // Extra headers put on every request after the connection is made; setting "Host" this
    // way overrides the one that Connect() puts. A second call with the same name replaces
    // the value.
    void SetFixedHeader(const wxString& name, const wxString& value);

    bool Close() override;

private:
    // One line of the reply without its line end; false on a read error, or when the deadline
    // (milliseconds of wxGetLocalTimeMillis) passes first.
    bool ReadReplyLine(std::string* line, wxLongLong deadline);
    // Sends the request and reads the status line and headers, which have to arrive within
    // the time-out altogether: a server that trickles them cannot hold the caller longer.
    bool Exchange(const wxString& path);

    std::vector<std::pair<wxString, wxString>> m_fixedHeaders;
    // The connection as watched by DownloadThreadsModule (shut down when the plug-in exits).
    int m_watch = -1;
};
