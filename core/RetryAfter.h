#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

#include <chrono>
#include <optional>

// The wait that a reply's "Retry-After" asks for: a number of seconds, or an HTTP date (the
// IMF-fixdate form, "Sun, 06 Nov 1994 08:49:37 GMT"), held between SHORTEST and LONGEST.
class RetryAfter {
public:
    static constexpr std::chrono::seconds SHORTEST{1};
    static constexpr std::chrono::seconds LONGEST{600};

    // now: the reply's own "Date" where it has one, so that a machine whose clock is off still
    // waits what the site meant; else this machine's time. Empty for a value that is neither
    // form.
    static std::optional<std::chrono::seconds> Parse(const wxString& value, const wxDateTime& now);
    // An HTTP date in the IMF-fixdate form; invalid for anything else.
    static wxDateTime ParseDate(const wxString& text);
};
