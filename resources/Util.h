#pragma once

#include <wx/filename.h>
#include <wx/string.h>

// File names derived from the host program, and opening a page in the user's browser.
class Util {
public:
    static wxFileName GetApplicationFileName();
    static wxFileName GetPluginFileName();
    // True once the browser command has been started.
    static bool LaunchBrowser(const wxString& url);
};
