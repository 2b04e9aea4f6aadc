#pragma once

#include <wx/string.h>

// The site's three hosts, each "name" or "name:port" (the scheme's port when none is given),
// read from "/Site/webHost", "/Site/imageHost" and "/Site/previewHost", and the scheme of all
// three from "/Site/scheme", when the module starts and again whenever the preferences change
// them. Reads are safe from any thread, also while a reload runs; a reader sees the old or the
// new values, never a mix.
class SiteEndpoints {
public:
    static const char* const DEFAULT_WEB_HOST;
    static const char* const DEFAULT_IMAGE_HOST;
    static const char* const DEFAULT_PREVIEW_HOST;

    // Reads the settings anew.
    static void Load();

    // "https" when "/Site/scheme" says so; "http" for anything else.
    static wxString Scheme();

    // The web host as configured; also the value of the thumbnails' "Host" header.
    static wxString WebHost();
    static wxString ImageHost();
    static wxString PreviewHost();

    // The scheme, "://", the host and pathAndQuery, which starts with "/".
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
