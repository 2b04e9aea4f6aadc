#pragma once

#include <wx/string.h>

// The site's three hosts, each "name" or "name:port" (port 80 when none is given), read from
// "/Site/webHost", "/Site/imageHost" and "/Site/previewHost" when the module starts and again
// whenever the preferences change them. Reads are safe from any thread, also while a reload
// runs; a reader sees the old or the new host, never a mix.
class SiteEndpoints {
public:
    static const char* const DEFAULT_WEB_HOST;
    static const char* const DEFAULT_IMAGE_HOST;
    static const char* const DEFAULT_PREVIEW_HOST;

    // Reads the three settings anew.
    static void Load();

    // The web host as configured; also the value of the thumbnails' "Host" header.
    static wxString WebHost();
    static wxString ImageHost();
    static wxString PreviewHost();

    // "http://" + host + pathAndQuery; pathAndQuery starts with "/".
    static wxString WebUrl(const wxString& pathAndQuery);
    static wxString ImageUrl(const wxString& pathAndQuery);
    static wxString PreviewUrl(const wxString& pathAndQuery);

    // Why value is no "host" or "host:port" the program can reach, in a sentence for the
    // user; empty when it is one.
    static wxString CheckHost(const wxString& value);
    // True for a name under ".example", which no real site has: the built-in placeholders
    // and anything like them.
    static bool IsPlaceholder(const wxString& host);
};
