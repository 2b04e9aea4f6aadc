#pragma once

#include <wx/gdicmn.h>

#include <cstddef>

// What a picture's header announces (its format and dimensions), read from the raw bytes
// without decoding them, so that a decoder is never handed a picture too large to hold.
// Knows the formats a thumbnail host serves: JPEG, PNG and BMP.
class ImageHeader {
public:
    // True when the bytes start a picture of a known format whose header names positive
    // dimensions; type and size are set then.
    static bool Read(const unsigned char* data, size_t length, wxBitmapType* type, wxSize* size);

private:
    static bool ReadJpeg(const unsigned char* data, size_t length, wxSize* size);
    static bool ReadPng(const unsigned char* data, size_t length, wxSize* size);
    static bool ReadBmp(const unsigned char* data, size_t length, wxSize* size);
};
