#pragma once

#include "resources/ConfigAccess.h"

#include <wx/bitmap.h>
#include <wx/filesys.h>
#include <wx/hashmap.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <vector>

WX_DECLARE_STRING_HASH_MAP(wxImage, ImageHashMap);

// The skin's pictures by name, decoded once from the archive beside the host program; and
// the accessor of the configuration object.
//
// A picture's name is its entry's base name, without folder and extension ("icons/x.gif"
// is "x"); of two entries with one name the later in the archive wins. Only the extensions
// bmp, ico, xpm, jpg, jpeg, png and gif count, in lower case; the content decides the format.
// A picture may come twice: "NAME" and, drawn at twice the size, "NAME@2x" for a display of
// scale 2 or more (GDK_SCALE=2).
class ImageStore {
public:
    static const char LARGE_SUFFIX[];

    // Created, and the whole archive decoded, on the first call (GUI thread); null only when
    // the allocation fails.
    static ImageStore* GetInstance();
    // Destroys the instance (the site module's end); the next GetInstance loads anew.
    static void DeleteInstance();

    // The global configuration object, under the process-wide guard for as long as the
    // returned object lives.
    static ConfigAccess GetConfig() { return ConfigAccess(); }

    // An invalid bitmap or icon for a name the archive did not supply. On a display of scale 2
    // the bitmap is the large picture, with scale factor 2, where the skin has one.
    wxBitmap GetBitmap(const wxString& name) const;
    wxIcon GetIcon(const wxString& name) const;

    // Removes the archive and image handlers this store registered, then frees the images.
    ~ImageStore();

    // The scale of the first display; 1 without one.
    static double DisplayScale();

private:
    ImageStore();
    void Load();
    // Reads every entry under folder (empty or ending in "/") of the archive, depth first.
    void LoadFolder(wxFileSystem& fs, const wxString& prefix, const wxString& folder);
    void LoadEntry(wxFileSystem& fs, const wxString& location);
    void EnsureHandler(wxBitmapType type);

    static ImageStore* ms_instance;
    ImageHashMap m_images;
    wxFileSystemHandler* m_zipHandler;
    std::vector<wxString> m_imageHandlers;
};
