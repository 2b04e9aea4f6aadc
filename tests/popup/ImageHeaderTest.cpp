// Reading a picture's format and dimensions from its header, as the pop-up does before it
// lets a decoder near the bytes.
#include "ui/popup/ImageHeader.h"

#include <wx/imagbmp.h>
#include <wx/image.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Encoded by handlers of its own, so that the decoders the pop-up must register itself are
// not registered here by accident.
std::vector<unsigned char> Encode(const wxSize& size, wxBitmapType type) {
    wxImage image(size);
    image.SetRGB(wxRect(size), 200, 40, 90);
    wxMemoryOutputStream out;
    wxJPEGHandler jpeg;
    wxPNGHandler png;
    wxBMPHandler bmp;
    wxImageHandler& handler = type == wxBITMAP_TYPE_JPEG  ? static_cast<wxImageHandler&>(jpeg)
                              : type == wxBITMAP_TYPE_PNG ? static_cast<wxImageHandler&>(png)
                                                          : static_cast<wxImageHandler&>(bmp);
    EXPECT_TRUE(handler.SaveFile(&image, out, false));
    std::vector<unsigned char> bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

bool Read(const std::vector<unsigned char>& bytes, size_t length, wxBitmapType* type,
          wxSize* size) {
    return ImageHeader::Read(bytes.data(), length, type, size);
}

TEST(ImageHeaderTest, ReadsWhatTheEncodersWrote) {
    for (wxBitmapType format : {wxBITMAP_TYPE_JPEG, wxBITMAP_TYPE_PNG, wxBITMAP_TYPE_BMP}) {
        for (const wxSize& dimensions : {wxSize(320, 240), wxSize(1, 1), wxSize(37, 4100)}) {
            const std::vector<unsigned char> bytes = Encode(dimensions, format);
            wxBitmapType type = wxBITMAP_TYPE_INVALID;
            wxSize size;
            ASSERT_TRUE(Read(bytes, bytes.size(), &type, &size)) << format;
            EXPECT_EQ(type, format);
            EXPECT_EQ(size, dimensions) << format;
        }
    }
}

// Every cut of the header is refused without reading past the end (the sanitizer pass
// watches the reads).
TEST(ImageHeaderTest, RefusesTruncatedAndForeignBytes) {
    for (wxBitmapType format : {wxBITMAP_TYPE_JPEG, wxBITMAP_TYPE_PNG, wxBITMAP_TYPE_BMP}) {
        const std::vector<unsigned char> bytes = Encode(wxSize(64, 48), format);
        wxBitmapType type;
        wxSize size;
        size_t shortest = bytes.size();
        for (size_t length = bytes.size(); length-- > 0;) {
            std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + length);
            if (!Read(cut, cut.size(), &type, &size))
                shortest = std::min(shortest, length);
            else
                EXPECT_EQ(size, wxSize(64, 48));
        }
        EXPECT_FALSE(Read(bytes, 0, &type, &size));
        EXPECT_LT(shortest, bytes.size());
    }
    const std::string html = "<html><body>Not Found</body></html>";
    const std::vector<unsigned char> text(html.begin(), html.end());
    wxBitmapType type;
    wxSize size;
    EXPECT_FALSE(Read(text, text.size(), &type, &size));
}

TEST(ImageHeaderTest, TellsHugeAndRefusesUnknownDimensions) {
    // A JPEG's start-of-frame made to announce 10000 x 9000, and then 0 lines (given later).
    std::vector<unsigned char> jpeg = Encode(wxSize(16, 16), wxBITMAP_TYPE_JPEG);
    size_t sof = 2;
    while (!(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0))
        sof += 2 + ((jpeg[sof + 2] << 8) | jpeg[sof + 3]);
    jpeg[sof + 5] = 9000 >> 8;
    jpeg[sof + 6] = 9000 & 0xFF;
    jpeg[sof + 7] = 10000 >> 8;
    jpeg[sof + 8] = 10000 & 0xFF;
    wxBitmapType type;
    wxSize size;
    ASSERT_TRUE(Read(jpeg, jpeg.size(), &type, &size));
    EXPECT_EQ(size, wxSize(10000, 9000));
    jpeg[sof + 5] = jpeg[sof + 6] = 0;
    EXPECT_FALSE(Read(jpeg, jpeg.size(), &type, &size));

    std::vector<unsigned char> png = Encode(wxSize(16, 16), wxBITMAP_TYPE_PNG);
    png[16] = 0x7F; // width 0x7F000010
    ASSERT_TRUE(Read(png, png.size(), &type, &size));
    EXPECT_EQ(size, wxSize(0x7F000010, 16));
    png[16] = 0x80; // beyond any int
    EXPECT_FALSE(Read(png, png.size(), &type, &size));
}

} // namespace
