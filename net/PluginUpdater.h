#pragma once

#include "core/FailureReason.h"

#include <wx/filename.h>
#include <wx/string.h>

// The plug-in's self-update. Files fetched by one call wait beside their targets as ".new"
// files; the skin, the catalogue and the manifest are moved in at the start of the next call,
// the module itself by the host, which gets its name back. GUI thread only (it asks the user).
class PluginUpdater {
public:
    // Installs staged companion files, then offers a newer plug-in if the update service has
    // one. Returns the downloaded module's name when the user agreed to install it, else null;
    // the object is owned here and overwritten by the next call.
    static wxFileName* GetNewPluginFileName();

    // Fetches url into path; true only when the reply was "application/octet-stream" and the
    // file holds exactly the announced "Content-Length". A partial file is removed again, and
    // a failure (not a reply of another type) is logged with its reason.
    static bool DownloadFile(const wxString& url, const wxString& path);

private:
    // DownloadFile without the log: why is set on a failure, not for a reply of another type.
    static bool Fetch(const wxString& url, const wxString& path, FailureReason* why);
    // Moves target + ".new" over target when it is waiting; a failed move is retried next call.
    static void InstallStaged(const wxFileName& target);
    static wxFileName SkinFileName();
    static wxFileName CatalogueFileName();
    static wxFileName ManifestFileName();
};

// The export that the host looks up by name.
extern "C" __attribute__((visibility("default"))) wxFileName* GetNewPluginFileName();
