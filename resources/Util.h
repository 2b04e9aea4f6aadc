#pragma once

#include <wx/filename.h>
#include <wx/string.h>

// File names derived from the host program, and opening a page in the user's browser.
class Util {
public:
    static wxFileName GetApplicationFileName();
    static wxFileName GetPluginFileName();
    // The program's icon as installed with it (PREFIX/share/icons/hicolor/48x48/apps/
    // roduviriz.png for a program in PREFIX/lib/ARCH/roduviriz), or empty when it is not.
    static wxString GetInstalledIconFile();
    // True once the browser command has been started.
    static bool LaunchBrowser(const wxString& url);
};
