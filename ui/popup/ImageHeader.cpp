#include "ui/popup/ImageHeader.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t BigEndian16(const unsigned char* p) {
    return (uint32_t(p[0]) << 8) | p[1];
}

uint32_t BigEndian32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

int32_t LittleEndian32(const unsigned char* p) {
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                   (uint32_t(p[3]) << 24));
}

// Dimensions beyond int are no real picture; they also must not overflow wxSize.
bool SetSize(uint64_t width, uint64_t height, wxSize* size) {
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        return false;
    *size = wxSize(int(width), int(height));
    return true;
}

} // namespace

bool ImageHeader::Read(const unsigned char* data, size_t length, wxBitmapType* type, wxSize* size) {
    if (ReadJpeg(data, length, size)) {
        *type = wxBITMAP_TYPE_JPEG;
        return true;
    }
    if (ReadPng(data, length, size)) {
        *type = wxBITMAP_TYPE_PNG;
        return true;
    }
    if (ReadBmp(data, length, size)) {
        *type = wxBITMAP_TYPE_BMP;
        return true;
    }
    return false;
}

// Walks the marker segments up to the first start-of-frame, which holds the dimensions.
bool ImageHeader::ReadJpeg(const unsigned char* data, size_t length, wxSize* size) {
    if (length < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    size_t pos = 2;
    while (pos + 1 < length) {
        if (data[pos] != 0xFF)
            return false;
        const unsigned char marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte before a marker
            ++pos;
            continue;
        }
        pos += 2;
        // Markers without a length: TEM and the restart markers.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        // Image data or its end before any frame header: nothing to tell the size by.
        if (marker == 0xDA || marker == 0xD9 || pos + 2 > length)
            return false;
        const size_t segment = BigEndian16(data + pos);
        if (segment < 2)
            return false;
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            // Length, precision, height, width. A height of 0 is given later in the data
            // (a DNL segment): unknown here, so refused.
            if (segment < 7 || pos + 7 > length)
                return false;
            return SetSize(BigEndian16(data + pos + 5), BigEndian16(data + pos + 3), size);
        }
        pos += segment;
    }
    return false;
}

bool ImageHeader::ReadPng(const unsigned char* data, size_t length, wxSize* size) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length, "IHDR", width, height.
    if (length < 24 || std::memcmp(data, signature, sizeof signature) != 0 ||
        std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    return SetSize(BigEndian32(data + 16), BigEndian32(data + 20), size);
}

bool ImageHeader::ReadBmp(const unsigned char* data, size_t length, wxSize* size) {
    // File header, then an info header of at least 40 bytes with signed width and height (a
    // negative height means rows stored top-down).
    if (length < 26 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t infoSize = uint32_t(LittleEndian32(data + 14));
    if (infoSize < 40)
        return false;
    const int64_t width = LittleEndian32(data + 18);
    const int64_t height = LittleEndian32(data + 22);
    if (width <= 0)
        return false;
    return SetSize(uint64_t(width), uint64_t(height < 0 ? -height : height), size);
}
