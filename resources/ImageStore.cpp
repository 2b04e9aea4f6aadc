#include "resources/ImageStore.h"

#include "resources/Trace.h"
#include "resources/Util.h"

#include <wx/app.h>
#include <wx/display.h>
#include <wx/fs_zip.h>
#include <wx/imagbmp.h>
#include <wx/imaggif.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/imagxpm.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <memory>
#include <new>
#include <set>

namespace {

const wxString kZipMark = "#zip:";

// The image type for an archive entry's extension; wxBITMAP_TYPE_INVALID skips the entry.
wxBitmapType TypeOfExtension(const wxString& ext) {
    if (ext == "bmp")
        return wxBITMAP_TYPE_BMP;
    if (ext == "ico")
        return wxBITMAP_TYPE_ICO;
    if (ext == "xpm")
        return wxBITMAP_TYPE_XPM;
    if (ext == "jpg" || ext == "jpeg")
        return wxBITMAP_TYPE_JPEG;
    if (ext == "png")
        return wxBITMAP_TYPE_PNG;
    if (ext == "gif")
        return wxBITMAP_TYPE_GIF;
    return wxBITMAP_TYPE_INVALID;
}

wxImageHandler* NewHandler(wxBitmapType type) {
    switch (type) {
    case wxBITMAP_TYPE_BMP:
        return new wxBMPHandler;
    case wxBITMAP_TYPE_ICO:
        return new wxICOHandler;
    case wxBITMAP_TYPE_XPM:
        return new wxXPMHandler;
    case wxBITMAP_TYPE_JPEG:
        return new wxJPEGHandler;
    case wxBITMAP_TYPE_PNG:
        return new wxPNGHandler;
    case wxBITMAP_TYPE_GIF:
        return new wxGIFHandler;
    default:
        return nullptr;
    }
}

// All results of one search, so that a nested search can follow without disturbing it.
// A file that is no zip makes the toolkit log an error; a broken skin only leaves the
// pictures empty, it is not reported.
std::vector<wxString> FindAll(wxFileSystem& fs, const wxString& pattern, int flags) {
    wxLogNull quiet;
    std::vector<wxString> found;
    for (wxString loc = fs.FindFirst(pattern, flags); !loc.empty(); loc = fs.FindNext())
        found.push_back(loc);
    return found;
}

} // namespace

ImageStore* ImageStore::ms_instance = nullptr;
const char ImageStore::LARGE_SUFFIX[] = "@2x";

ImageStore* ImageStore::GetInstance() {
    wxLogTrace(ROD_TRACE, "[static]ImageStore::GetInstance(void)");
    if (!ms_instance)
        ms_instance = new (std::nothrow) ImageStore();
    return ms_instance;
}

void ImageStore::DeleteInstance() {
    wxLogTrace(ROD_TRACE, "[static]ImageStore::DeleteInstance(void)");
    delete ms_instance;
    ms_instance = nullptr;
}

ImageStore::ImageStore() : m_images(100), m_zipHandler(new wxZipFSHandler) {
    wxLogTrace(ROD_TRACE, "[%p]ImageStore::ImageStore(void)", this);
    wxFileSystem::AddHandler(m_zipHandler);
    Load();
}

// Only what this store registered goes: the host keeps its own file-system and image
// handlers (removing them all would leave the host unable to read its own pictures).
ImageStore::~ImageStore() {
    wxLogTrace(ROD_TRACE, "[%p]ImageStore::~ImageStore(void)", this);
    delete wxFileSystem::RemoveHandler(m_zipHandler);
    for (const wxString& name : m_imageHandlers)
        wxImage::RemoveHandler(name);
}

void ImageStore::Load() {
    wxLogTrace(ROD_TRACE, "[%p]ImageStore::Load(void)", this);
    wxFileName skin = Util::GetApplicationFileName();
    skin.SetExt("skin");
    // The zip search lists one folder level at a time, so folders are walked one by one.
    wxFileSystem fs;
    LoadFolder(fs, skin.GetFullPath() + kZipMark, wxString());
}

void ImageStore::LoadFolder(wxFileSystem& fs, const wxString& prefix, const wxString& folder) {
    const std::vector<wxString> entries = FindAll(fs, prefix + folder + "*", 0);
    const std::vector<wxString> dirList = FindAll(fs, prefix + folder + "*", wxDIR);
    const std::set<wxString> dirs(dirList.begin(), dirList.end());
    for (const wxString& location : entries) {
        if (!dirs.count(location)) {
            LoadEntry(fs, location);
            continue;
        }
        // Folders come back as "#zip:/dir" at the top and "#zip:dir/sub" below it.
        wxString path = location.Mid(prefix.length());
        if (path.StartsWith("/"))
            path.Remove(0, 1);
        if (!path.empty())
            LoadFolder(fs, prefix, path + "/");
    }
}

void ImageStore::LoadEntry(wxFileSystem& fs, const wxString& location) {
    wxString plain = location;
    plain.Replace(kZipMark, "/", false);
    wxString name, ext;
    wxFileName::SplitPath(plain, nullptr, nullptr, &name, &ext, wxPATH_NATIVE);
    const wxBitmapType type = TypeOfExtension(ext);
    if (type == wxBITMAP_TYPE_INVALID)
        return;
    EnsureHandler(type);

    std::unique_ptr<wxFSFile> file(fs.OpenFile(location));
    if (!file || !file->GetStream())
        return;
    // The zip stream cannot seek, which detecting the format needs: decode from a copy.
    wxMemoryOutputStream copy;
    copy.Write(*file->GetStream());
    // An empty entry is no picture (and the toolkit cannot read from an empty copy).
    if (copy.GetLength() == 0) {
        m_images.erase(name);
        return;
    }
    wxMemoryInputStream data(copy);
    m_images[name] = wxImage(data, wxBITMAP_TYPE_ANY, -1);
}

void ImageStore::EnsureHandler(wxBitmapType type) {
    if (wxImage::FindHandler(type))
        return;
    wxImageHandler* handler = NewHandler(type);
    m_imageHandlers.push_back(handler->GetName());
    wxImage::AddHandler(handler);
}

double ImageStore::DisplayScale() {
    if (!wxTheApp || !wxTheApp->IsGUI() || wxDisplay::GetCount() == 0)
        return 1;
    return wxDisplay(0u).GetScaleFactor();
}

// The toolkit draws a bitmap of scale factor 2 at the size of the plain picture, with every
// pixel of the large one. A large picture of another size than twice the plain one is ignored:
// it would change the size of what it is drawn in.
wxBitmap ImageStore::GetBitmap(const wxString& name) const {
    wxLogTrace(ROD_TRACE, "[%p]ImageStore::GetBitmap(%s)", this, name);
    const ImageHashMap::const_iterator it = m_images.find(name);
    if (it == m_images.end() || !it->second.IsOk())
        return wxBitmap();
    if (DisplayScale() >= 2) {
        const ImageHashMap::const_iterator large = m_images.find(name + LARGE_SUFFIX);
        if (large != m_images.end() && large->second.IsOk() &&
            large->second.GetSize() == it->second.GetSize() * 2)
            return wxBitmap(large->second, -1, 2.0);
    }
    return wxBitmap(it->second, -1);
}

// Window and tray icons are given to the desktop at the size it asks for: the plain picture.
wxIcon ImageStore::GetIcon(const wxString& name) const {
    wxLogTrace(ROD_TRACE, "[%p]ImageStore::GetIcon(%s)", this, name);
    const ImageHashMap::const_iterator it = m_images.find(name);
    const wxBitmap bitmap =
        it != m_images.end() && it->second.IsOk() ? wxBitmap(it->second, -1) : wxBitmap();
    wxIcon icon;
    if (bitmap.IsOk())
        icon.CopyFromBitmap(bitmap);
    return icon;
}
