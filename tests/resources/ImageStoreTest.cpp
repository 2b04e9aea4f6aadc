#include "resources/ImageStore.h"
#include "tests/resources/ScopedProgramPath.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/imagbmp.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// A picture of one colour whose size tells it apart from the others of a test.
wxImage Solid(int width, int height, unsigned char r = 200, unsigned char g = 40,
              unsigned char b = 90) {
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), r, g, b);
    return image;
}

// Encoded with a handler object of its own, so that the test registers no handler.
std::string Encode(wxImage image, wxImageHandler&& handler) {
    wxMemoryOutputStream out;
    EXPECT_TRUE(handler.SaveFile(&image, out, false));
    std::string bytes(out.GetSize(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// A one-colour GIF written by hand (the toolkit's GIF encoder needs a palette step). Its
// LZW stream restarts after every two pixels, which keeps every code 3 bits wide.
std::string Gif(int width, int height) {
    std::string gif = "GIF89a";
    auto le16 = [&](int v) {
        gif += static_cast<char>(v & 0xFF);
        gif += static_cast<char>(v >> 8);
    };
    le16(width);
    le16(height);
    gif += {'\x80', 0, 0, '\xC8', '\x28', '\x5A', 0, 0, 0}; // two colours, the first used
    gif += '\x2C';
    le16(0);
    le16(0);
    le16(width);
    le16(height);
    gif += '\0';
    gif += '\x02'; // minimum code size: clear is 4, end is 5
    std::string data;
    unsigned bits = 0, count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            data += static_cast<char>(bits & 0xFF);
    };
    for (int pixel = 0; pixel < width * height; ++pixel) {
        if (pixel % 2 == 0)
            put(4);
        put(0);
    }
    put(5);
    if (count > 0)
        data += static_cast<char>(bits & 0xFF);
    for (size_t at = 0; at < data.size(); at += 255) {
        const std::string block = data.substr(at, 255);
        gif += static_cast<char>(block.size());
        gif += block;
    }
    gif += '\0';
    gif += '\x3B';
    return gif;
}

std::string Png(int w, int h) {
    return Encode(Solid(w, h), wxPNGHandler());
}

const std::vector<const char*> kSkinNames = {"SplashScreen_bitmap",
                                             "Application_icon",
                                             "UserListTreeCtrl_onlineGroupIcon",
                                             "UserListTreeCtrl_offlineGroupIcon",
                                             "UserListTreeCtrl_freeIcon",
                                             "UserListTreeCtrl_busyIcon",
                                             "UserListTreeCtrl_offlineIcon",
                                             "PopupDialog_titleBar",
                                             "PopupDialog_styleBar_ONLINE",
                                             "PopupDialog_styleBar_FREE",
                                             "PopupDialog_profileImage",
                                             "PopupDialog_contentPanel"};

class ImageStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImageStore::DeleteInstance();
        m_dir = TestEnvironment::MakeTempDir("skin");
    }
    void TearDown() override { ImageStore::DeleteInstance(); }

    wxString Program() const { return wxString::FromUTF8(m_dir + "/viewer"); }

    void WriteSkin(const std::vector<std::pair<std::string, std::string>>& entries) const {
        wxFFileOutputStream file(Program() + ".skin");
        wxZipOutputStream zip(file);
        for (const auto& entry : entries) {
            ASSERT_TRUE(zip.PutNextEntry(entry.first));
            zip.Write(entry.second.data(), entry.second.size());
        }
        ASSERT_TRUE(zip.Close());
    }

    // Loads the store as a host at Program() would.
    ImageStore* Load() const {
        ScopedProgramPath program(Program());
        return ImageStore::GetInstance();
    }

    static wxSize SizeOf(const wxBitmap& bitmap) {
        return bitmap.IsOk() ? bitmap.GetLogicalSize() : wxSize(0, 0);
    }

    std::string m_dir;
};

TEST_F(ImageStoreTest, PicturesAreNamedByTheirBaseNameInEveryFolder) {
    WriteSkin({{"icons/x.gif", Gif(3, 2)},
               {"a.b.png", Png(4, 4)},
               {"deep/er/z.png", Png(6, 1)},
               {"Logo.PNG", Png(5, 5)},
               {"noext", Png(2, 2)},
               {"p.jpg", Png(5, 3)}}); // the content decides the format, not the name
    ImageStore* store = Load();
    ASSERT_NE(store, nullptr);

    EXPECT_EQ(SizeOf(store->GetBitmap("x")), wxSize(3, 2));
    EXPECT_EQ(SizeOf(store->GetBitmap("a.b")), wxSize(4, 4));
    EXPECT_EQ(SizeOf(store->GetBitmap("z")), wxSize(6, 1));
    EXPECT_EQ(SizeOf(store->GetBitmap("p")), wxSize(5, 3));
    EXPECT_TRUE(store->GetIcon("a.b").IsOk());

    // Upper-case and missing extensions are skipped; folders are not part of the name.
    EXPECT_FALSE(store->GetBitmap("Logo").IsOk());
    EXPECT_FALSE(store->GetBitmap("noext").IsOk());
    EXPECT_FALSE(store->GetBitmap("a").IsOk());
    EXPECT_FALSE(store->GetBitmap("icons/x").IsOk());
    EXPECT_FALSE(store->GetBitmap("X").IsOk()) << "names compare case-sensitively";
}

TEST_F(ImageStoreTest, TheLaterOfTwoEntriesWithOneNameWins) {
    WriteSkin({{"x.png", Png(2, 2)},
               {"x.bmp", Encode(Solid(7, 3), wxBMPHandler())},
               {"old/y.png", Png(1, 1)},
               {"y.gif", Gif(8, 8)}});
    ImageStore* store = Load();
    EXPECT_EQ(SizeOf(store->GetBitmap("x")), wxSize(7, 3));
    EXPECT_EQ(SizeOf(store->GetBitmap("y")), wxSize(8, 8));
}

TEST_F(ImageStoreTest, AnEmptyEntryIsNoPicture) {
    WriteSkin({{"e.png", ""}, {"x.png", Png(2, 2)}, {"x.gif", ""}, {"y.png", Png(3, 3)}});
    ImageStore* store = Load();
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(store->GetBitmap("e").IsOk());
    EXPECT_FALSE(store->GetBitmap("x").IsOk()) << "the later, empty entry still wins";
    EXPECT_EQ(SizeOf(store->GetBitmap("y")), wxSize(3, 3));
}

TEST_F(ImageStoreTest, WithoutAnArchiveEveryPictureIsInvalidAndNothingIsReported) {
    LogCapture log;
    ImageStore* store = Load();
    ASSERT_NE(store, nullptr);
    for (const char* name : kSkinNames) {
        EXPECT_FALSE(store->GetBitmap(name).IsOk()) << name;
        EXPECT_FALSE(store->GetIcon(name).IsOk()) << name;
    }
    for (const auto& message : log.messages)
        EXPECT_GT(message.level, wxLOG_Warning) << message.text;
}

TEST_F(ImageStoreTest, AnArchiveThatIsNoZipYieldsNothingAndIsNotReported) {
    {
        wxFFileOutputStream file(Program() + ".skin");
        file.Write("not a zip at all", 16);
    }
    LogCapture log;
    ImageStore* store = Load();
    for (const auto& message : log.messages)
        EXPECT_GT(message.level, wxLOG_Warning) << message.text;
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(store->GetBitmap("SplashScreen_bitmap").IsOk());
}

TEST_F(ImageStoreTest, RemovesOnlyTheImageHandlersItAdded) {
    // The host's own handler, which the store must leave in place.
    const bool hostHadPng = wxImage::FindHandler(wxBITMAP_TYPE_PNG) != nullptr;
    if (!hostHadPng)
        wxImage::AddHandler(new wxPNGHandler);
    ASSERT_EQ(wxImage::FindHandler(wxBITMAP_TYPE_GIF), nullptr)
        << "the test needs a kind of picture the host has no handler for";

    WriteSkin({{"x.gif", Gif(3, 3)}, {"y.png", Png(2, 2)}});
    ImageStore* store = Load();
    EXPECT_TRUE(store->GetBitmap("x").IsOk());
    EXPECT_NE(wxImage::FindHandler(wxBITMAP_TYPE_GIF), nullptr) << "added for the gif entry";
    EXPECT_EQ(wxImage::FindHandler(wxBITMAP_TYPE_JPEG), nullptr) << "no jpeg entry, no handler";

    ImageStore::DeleteInstance();
    EXPECT_EQ(wxImage::FindHandler(wxBITMAP_TYPE_GIF), nullptr);
    EXPECT_NE(wxImage::FindHandler(wxBITMAP_TYPE_PNG), nullptr) << "the host's handler went";

    // The next use loads anew, with its archive handler registered again.
    EXPECT_EQ(SizeOf(Load()->GetBitmap("y")), wxSize(2, 2));
    if (!hostHadPng) {
        ImageStore::DeleteInstance();
        wxImage::RemoveHandler(wxPNGHandler().GetName());
    }
}

// On a display of scale 2 (a run of its own, GDK_SCALE=2) a picture's "@2x" of twice its size
// comes as a bitmap of scale factor 2, drawn at the plain one's size; one of another size is
// ignored. On a display of scale 1 the plain picture comes. Icons are always plain.
TEST_F(ImageStoreTest, ALargePictureServesADisplayOfScaleTwo) {
    WriteSkin({{"x.png", Png(3, 2)},
               {"x@2x.png", Png(6, 4)},
               {"y.png", Png(3, 3)},
               {"y@2x.png", Png(5, 5)}});
    ImageStore* store = Load();
    ASSERT_NE(store, nullptr);
    const wxBitmap x = store->GetBitmap("x");
    const wxBitmap y = store->GetBitmap("y");
    if (ImageStore::DisplayScale() >= 2) {
        EXPECT_EQ(x.GetScaleFactor(), 2);
        EXPECT_EQ(x.ConvertToImage().GetSize(), wxSize(6, 4));
        EXPECT_EQ(x.GetLogicalSize(), wxSize(3, 2));
    } else {
        EXPECT_EQ(x.GetScaleFactor(), 1);
        EXPECT_EQ(x.ConvertToImage().GetSize(), wxSize(3, 2));
    }
    EXPECT_EQ(y.GetScaleFactor(), 1);
    EXPECT_EQ(y.ConvertToImage().GetSize(), wxSize(3, 3));
    EXPECT_EQ(store->GetIcon("x").GetWidth(), 3);
}

TEST_F(ImageStoreTest, TheBuiltSkinHoldsEveryPictureAtItsSize) {
    // The test main names the built host as the program, so its skin lies beside it.
    ImageStore* store = ImageStore::GetInstance();
    ASSERT_NE(store, nullptr);
    for (const char* name : kSkinNames)
        EXPECT_TRUE(store->GetBitmap(name).IsOk()) << name;
    for (const char* icon :
         {"UserListTreeCtrl_onlineGroupIcon", "UserListTreeCtrl_offlineGroupIcon",
          "UserListTreeCtrl_freeIcon", "UserListTreeCtrl_busyIcon", "UserListTreeCtrl_offlineIcon"})
        EXPECT_EQ(SizeOf(store->GetBitmap(icon)), wxSize(16, 16)) << icon;
    // The bars fill the pop-up's width.
    EXPECT_EQ(SizeOf(store->GetBitmap("PopupDialog_titleBar")), wxSize(150, 18));
    EXPECT_EQ(SizeOf(store->GetBitmap("PopupDialog_styleBar_ONLINE")), wxSize(150, 12));
    EXPECT_EQ(SizeOf(store->GetBitmap("PopupDialog_styleBar_FREE")), wxSize(150, 12));
    EXPECT_EQ(SizeOf(store->GetBitmap("PopupDialog_profileImage")), wxSize(107, 82));
    // And each at twice its size, but the window icon.
    for (const char* name : kSkinNames) {
        if (std::string(name) != "Application_icon") {
            EXPECT_EQ(SizeOf(store->GetBitmap(wxString(name) + ImageStore::LARGE_SUFFIX)),
                      SizeOf(store->GetBitmap(name)) * 2)
                << name;
        }
    }
    const wxSize icon = SizeOf(store->GetBitmap("Application_icon"));
    EXPECT_EQ(icon.x, icon.y);
    EXPECT_GE(icon.x, 32);
    EXPECT_TRUE(store->GetIcon("Application_icon").IsOk());

    // The two bars must tell their news apart by colour.
    auto meanColour = [&](const char* name) {
        const wxImage image = store->GetBitmap(name).ConvertToImage();
        long sum[3] = {0, 0, 0};
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                sum[0] += image.GetRed(x, y);
                sum[1] += image.GetGreen(x, y);
                sum[2] += image.GetBlue(x, y);
            }
        const long n = image.GetWidth() * image.GetHeight();
        return std::vector<long>{sum[0] / n, sum[1] / n, sum[2] / n};
    };
    const auto online = meanColour("PopupDialog_styleBar_ONLINE");
    const auto free = meanColour("PopupDialog_styleBar_FREE");
    const long distance = std::labs(online[0] - free[0]) + std::labs(online[1] - free[1]) +
                          std::labs(online[2] - free[2]);
    EXPECT_GT(distance, 150);
}

} // namespace
