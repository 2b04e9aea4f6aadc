#pragma once

#include <wx/string.h>

// The site's three hosts, each "name" or "name:port" (port 80 when none is given), read from
// "/Site/webHost", "/Site/imageHost" and "/Site/previewHost" when the module starts. Reads
// after that are safe from any thread.
class SiteEndpoints {
public:
    static const char* const DEFAULT_WEB_HOST;
    static const char* const DEFAULT_IMAGE_HOST;
    static const char* const DEFAULT_PREVIEW_HOST;

    // GUI thread, before any worker starts (the module's OnInit; tests after changing settings).
    static void Load();

    // The web host as configured; also the value of the thumbnails' "Host" header.
    static wxString WebHost();
    static wxString ImageHost();
    static wxString PreviewHost();

    // "http://" + host + pathAndQuery; pathAndQuery starts with "/".
    static wxString WebUrl(const wxString& pathAndQuery);
    static wxString ImageUrl(const wxString& pathAndQuery);
    static wxString PreviewUrl(const wxString& pathAndQuery);

private:
    static wxString ms_web;
    static wxString ms_image;
    static wxString ms_preview;
};
