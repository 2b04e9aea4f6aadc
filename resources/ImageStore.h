#pragma once

#include "resources/ConfigAccess.h"

#include <wx/bitmap.h>
#include <wx/hashmap.h>
#include <wx/icon.h>
#include <wx/image.h>

WX_DECLARE_STRING_HASH_MAP(wxImage, ImageHashMap);

// The skin's pictures by name, decoded once from the archive beside the host program; and
// the accessor of the configuration object.
class ImageStore {
public:
    // Created, and the whole archive decoded, on the first call (GUI thread).
    static ImageStore* GetInstance();
    // Destroys the instance (the site module's end); the next GetInstance loads anew.
    static void DeleteInstance();

    // The global configuration object, under the process-wide guard for as long as the
    // returned object lives.
    static ConfigAccess GetConfig() { return ConfigAccess(); }

    wxBitmap GetBitmap(const wxString& name) const;
    wxIcon GetIcon(const wxString& name) const;

    ~ImageStore();

private:
    ImageStore();
    void Load();

    static ImageStore* ms_instance;
    ImageHashMap m_images;
};
