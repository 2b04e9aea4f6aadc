#pragma once

#include "core/FailureReason.h"
#include "core/HttpClient.h"

#include <wx/string.h>

// The one way a request for an address goes out: the client is given the address's scheme,
// host and port (the client decides whether that goes through a proxy), asked for the path and
// query, and only a success (2xx) counts as a body. Every refusal is traced with its reason and
// the address without its credentials and query (run with WXTRACE=roduviriz).
class HttpGet {
public:
    // The body's stream, to be deleted before the client; null on any failure, with the reason
    // in *why when given. url is an "http://" or "https://" address; what the client was given
    // before (time-out, headers, credentials) goes along.
    static wxInputStream* Open(HttpClient& client, const wxString& url,
                               FailureReason* why = nullptr);
};
