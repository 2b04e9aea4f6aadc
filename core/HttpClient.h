#pragma once

#include "core/FailureReason.h"

#include <wx/protocol/http.h>

// The HTTP client that the site, the downloads and the updater speak through: the toolkit's
// interface (Connect, then GetInputStream for a path; GetResponse and GetHeader of the reply),
// with what it lacks, the scheme and the reason of a failure. The network library supplies
// the one implementation (wxHTTP2).
class HttpClient : public wxHTTP {
public:
    // "http" or "https", for the requests after the next Connect(); port 0 there means the
    // scheme's own port.
    virtual void SetScheme(const wxString& scheme) = 0;
    // Why the last request failed; unset after a reply was received whole.
    virtual FailureReason GetFailure() const = 0;
};
