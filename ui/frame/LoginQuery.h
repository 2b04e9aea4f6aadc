#pragma once

#include <wx/string.h>

// The path and query of the site's login check for one account.
class LoginQuery {
public:
    // "/zirovudaroro?username=...&password=..." with both values percent-encoded, so that a
    // value holding "&", "=", "#", "%", "+" or a space reaches the service unchanged.
    static wxString Build(const wxString& id, const wxString& password);

    // UTF-8 bytes; everything but letters, digits and "-._~" becomes %XX (upper-case hex).
    static wxString PercentEncode(const wxString& value);
};
