#pragma once

#include <wx/protocol/http.h>
#include <wx/string.h>

// The one way a request for an address goes out: the client is connected to the address's
// host and port (the client decides whether that goes through a proxy), asked for the path
// and query, and only a success (2xx) counts as a body. Every refusal is traced with its
// reason (run with WXTRACE=roduviriz).
class HttpGet {
public:
    // The body's stream, to be deleted before the client; null on any failure. url is an
    // "http://" address; what the client was given before (time-out, headers, credentials)
    // goes along.
    static wxInputStream* Open(wxHTTP& client, const wxString& url);
};
