// The splash screen as the display shows it, under a Japanese locale. There the toolkit's input
// method is XIM, which gives the window with the focus an X window of its own, and that must not
// cover the picture. The toolkit picks the input method once, for the first window of the
// process: this test has an executable of its own.
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/intl.h>
#include <wx/splash.h>

#include <clocale>
#include <cstdlib>
#include <string>

extern "C" bool SiteRun();

using namespace frametest;

namespace {

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override { FreshSettings(); }
    void TearDown() override { CloseAllWindows(); }
};

wxSplashScreen* FindSplash() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* splash = dynamic_cast<wxSplashScreen*>(window))
            return splash;
    return nullptr;
}

// The pixels at the window's place on the screen that differ from the picture by more than a
// shade in a colour.
long PixelsUnlike(const wxWindow& window, const wxImage& picture) {
    const wxRect place = window.GetScreenRect();
    GdkPixbuf* shown = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), place.x, place.y,
                                                  picture.GetWidth(), picture.GetHeight());
    if (!shown)
        return picture.GetWidth() * picture.GetHeight();
    const int channels = gdk_pixbuf_get_n_channels(shown);
    const int stride = gdk_pixbuf_get_rowstride(shown);
    const guchar* pixels = gdk_pixbuf_get_pixels(shown);
    long unlike = 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x) {
            const guchar* pixel = pixels + y * stride + x * channels;
            if (std::abs(pixel[0] - picture.GetRed(x, y)) > 8 ||
                std::abs(pixel[1] - picture.GetGreen(x, y)) > 8 ||
                std::abs(pixel[2] - picture.GetBlue(x, y)) > 8)
                ++unlike;
        }
    g_object_unref(shown);
    return unlike;
}

} // namespace

TEST_F(SplashTest, ThePictureIsOnTheDisplayUnderAJapaneseLocale) {
    // As the host sets it up under LANG=ja_JP.UTF-8, before the first window.
    wxLocale locale;
    ASSERT_TRUE(locale.Init(wxLANGUAGE_JAPANESE, wxLOCALE_DONT_LOAD_DEFAULT))
        << "scripts/setup generates the Japanese locale";
    ASSERT_EQ(0, std::string(std::setlocale(LC_CTYPE, nullptr)).rfind("ja_JP", 0));
    ImageStore::GetConfig()->Write("/SplashScreen/duration", 600L);
    ASSERT_TRUE(SiteRun());
    wxSplashScreen* splash = FindSplash();
    ASSERT_NE(nullptr, splash);
    ASSERT_TRUE(WaitFor([splash] { return splash->IsShownOnScreen(); }, 5000));
    const wxWindow& window = *splash->GetSplashWindow();
    const wxImage picture = splash->GetSplashWindow()->GetBitmap().ConvertToImage();
    ASSERT_TRUE(picture.IsOk());
    long unlike = 0;
    EXPECT_TRUE(WaitFor([&] { return (unlike = PixelsUnlike(window, picture)) == 0; }, 5000))
        << unlike << " of " << picture.GetWidth() * picture.GetHeight()
        << " pixels on the display differ from the picture";
}
