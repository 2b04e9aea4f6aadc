#include "ui/popup/ThumbnailDecoder.h"

#include "resources/Trace.h"
#include "ui/popup/ImageHeader.h"

#include <wx/imagbmp.h>
#include <wx/image.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/log.h>
#include <wx/mstream.h>

namespace {

// The skin may not need every decoder a thumbnail does; the host may have registered none.
bool EnsureHandler(wxBitmapType type) {
    if (wxImage::FindHandler(type))
        return true;
    switch (type) {
    case wxBITMAP_TYPE_JPEG:
        wxImage::AddHandler(new wxJPEGHandler);
        return true;
    case wxBITMAP_TYPE_PNG:
        wxImage::AddHandler(new wxPNGHandler);
        return true;
    case wxBITMAP_TYPE_BMP:
        wxImage::AddHandler(new wxBMPHandler);
        return true;
    default:
        return false;
    }
}

} // namespace

wxBitmap ThumbnailDecoder::Decode(const unsigned char* data, size_t length, const wxSize& size,
                                  int maxSide) {
    wxBitmapType type;
    wxSize announced;
    if (!ImageHeader::Read(data, length, &type, &announced))
        return wxBitmap();
    if (announced.x > maxSide || announced.y > maxSide) {
        wxLogTrace(ROD_TRACE, "ThumbnailDecoder: picture of %dx%d refused", announced.x,
                   announced.y);
        return wxBitmap();
    }
    if (!EnsureHandler(type))
        return wxBitmap();
    // A broken picture only means the placeholder; no message for the user.
    wxLogNull quiet;
    wxMemoryInputStream stream(data, length);
    wxImage image;
    if (!image.LoadFile(stream, type) || !image.IsOk())
        return wxBitmap();
    image.Rescale(size.x, size.y);
    return wxBitmap(image);
}
