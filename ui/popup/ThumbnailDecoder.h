#pragma once

#include <wx/bitmap.h>

#include <cstddef>

// Turns a downloaded thumbnail into the bitmap a pop-up shows.
class ThumbnailDecoder {
public:
    // The picture squeezed to size, or an invalid bitmap for bytes that are no picture of a
    // known format or announce a side over maxSide pixels (never decoded).
    static wxBitmap Decode(const unsigned char* data, size_t length, const wxSize& size,
                           int maxSide);
};
