#include "tools/skingen/SkinPainter.h"

#include <wx/brush.h>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>

#include <memory>

namespace {

wxColour Rgb(unsigned long rgb, unsigned char alpha = wxALPHA_OPAQUE) {
    return wxColour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, alpha);
}

// A fully transparent picture with an alpha channel.
wxImage Transparent(int width, int height) {
    wxImage image(width, height);
    image.InitAlpha();
    unsigned char* alpha = image.GetAlpha();
    std::fill(alpha, alpha + width * height, 0);
    return image;
}

// The painter writes back into the image when it is destroyed. It draws in the coordinates of
// the plain picture whatever the scale, so that the large one holds the same drawing.
std::unique_ptr<wxGraphicsContext> Paint(wxImage& image, int scale) {
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    gc->SetInterpolationQuality(wxINTERPOLATION_BEST);
    gc->Scale(scale, scale);
    return gc;
}

wxGraphicsBrush Vertical(wxGraphicsContext& gc, double y0, double y1, const wxColour& top,
                         const wxColour& bottom) {
    return gc.CreateLinearGradientBrush(0, y0, 0, y1, top, bottom);
}

wxFont Font(double points, bool bold) {
    wxFontInfo info(points);
    info.Family(wxFONTFAMILY_SWISS);
    if (bold)
        info.Bold();
    return wxFont(info);
}

void CentredText(wxGraphicsContext& gc, const wxString& text, double cx, double cy) {
    double w, h;
    gc.GetTextExtent(text, &w, &h);
    gc.DrawText(text, cx - w / 2, cy - h / 2);
}

// Head and shoulders of a person centred on cx: a round head above rounded shoulders that
// run down to the bottom edge.
void Person(wxGraphicsContext& gc, double cx, double headTop, double size, double bottom) {
    const double head = size * 0.46;
    gc.DrawEllipse(cx - head / 2, headTop, head, head);
    const double top = headTop + head + size * 0.06;
    const double width = size * 0.92;
    gc.DrawRoundedRectangle(cx - width / 2, top, width, bottom - top + width / 2, width * 0.42);
}

} // namespace

SkinPainter::SkinPainter(const wxString& version) : m_version(version) {}

// Each picture plain and, under its name with "@2x", at twice the size for HiDPI displays. The
// window icon is given to the desktop as it is, and only comes plain.
std::vector<std::pair<wxString, wxImage>> SkinPainter::PaintAll() const {
    std::vector<std::pair<wxString, wxImage>> pictures;
    for (int scale : {1, 2}) {
        const wxString suffix = scale == 1 ? "" : "@2x";
        const std::pair<wxString, wxImage> scaled[] = {
            {"SplashScreen_bitmap", SplashScreen(scale)},
            {"UserListTreeCtrl_onlineGroupIcon", GroupIcon(true, scale)},
            {"UserListTreeCtrl_offlineGroupIcon", GroupIcon(false, scale)},
            {"UserListTreeCtrl_freeIcon", StatusIcon(0x2F, 0xB3, 0x4A, false, scale)},
            {"UserListTreeCtrl_busyIcon", BusyIcon(scale)},
            {"UserListTreeCtrl_offlineIcon", StatusIcon(0x9A, 0x9E, 0xA6, true, scale)},
            {"PopupDialog_titleBar", TitleBar(scale)},
            {"PopupDialog_styleBar_ONLINE", StyleBar("NOW ONLINE", 0xC2306A, 0x9A1F50, scale)},
            {"PopupDialog_styleBar_FREE", StyleBar("NOW FREE", 0x1A7030, 0x125A24, scale)},
            {"PopupDialog_profileImage", ProfilePlaceholder(scale)},
            {"PopupDialog_contentPanel", ContentPanel(scale)},
        };
        for (const auto& [name, image] : scaled)
            pictures.emplace_back(name + suffix, image);
        if (scale == 1)
            pictures.emplace_back("Application_icon", ApplicationIcon(48));
    }
    return pictures;
}

wxImage SkinPainter::SplashScreen(int scale) const {
    const int w = 400, h = 250;
    wxImage image(w * scale, h * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(gc->CreateLinearGradientBrush(0, 0, w, h, Rgb(0x1A2150), Rgb(0x4B2A86)));
        gc->DrawRectangle(0, 0, w, h);
        // Soft glows behind the logo and in the far corner.
        gc->SetBrush(gc->CreateRadialGradientBrush(82, 114, 82, 114, 140, Rgb(0xE8457A, 90),
                                                   Rgb(0xE8457A, 0)));
        gc->DrawRectangle(0, 0, w, h);
        gc->SetBrush(gc->CreateRadialGradientBrush(390, 10, 390, 10, 160, Rgb(0x5AA0FF, 70),
                                                   Rgb(0x5AA0FF, 0)));
        gc->DrawRectangle(0, 0, w, h);

        const wxImage logo = ApplicationIcon(104 * scale);
        gc->DrawBitmap(gc->CreateBitmapFromImage(logo), 30, 62, 104, 104);

        gc->SetFont(Font(28, true), *wxWHITE);
        gc->DrawText("Roduviriz", 156, 70);
        gc->SetFont(Font(11, false), Rgb(0xD9CCF5));
        gc->DrawText("Know who is online,", 158, 116);
        gc->DrawText("the moment it happens.", 158, 134);

        // A row of status dots as they appear in the lists.
        const unsigned long dots[] = {0x2FB34A, 0xF0609A, 0xF07A2A, 0x9A9EA6};
        for (int i = 0; i < 4; ++i) {
            gc->SetBrush(wxBrush(Rgb(dots[i])));
            gc->DrawEllipse(160 + i * 16, 166, 9, 9);
        }

        gc->SetPen(wxPen(Rgb(0xFFFFFF, 50)));
        gc->StrokeLine(20, h - 34, w - 20, h - 34);
        gc->SetFont(Font(8, false), Rgb(0xB8B0D8));
        gc->DrawText("Version " + m_version, 22, h - 26);
        double tw, th;
        gc->GetTextExtent("Starting...", &tw, &th);
        gc->DrawText("Starting...", w - 22 - tw, h - 26);
    }
    return image;
}

wxImage SkinPainter::ApplicationIcon(int size) {
    wxImage image = Transparent(size, size);
    {
        auto gc = Paint(image, 1);
        const double s = size;
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(gc->CreateLinearGradientBrush(0, 0, s, s, Rgb(0xF0609A), Rgb(0x5B3CC4)));
        gc->DrawRoundedRectangle(s * 0.02, s * 0.02, s * 0.96, s * 0.96, s * 0.22);
        // A gloss on the upper half.
        gc->SetBrush(Vertical(*gc, 0, s * 0.5, Rgb(0xFFFFFF, 70), Rgb(0xFFFFFF, 0)));
        gc->DrawRoundedRectangle(s * 0.06, s * 0.05, s * 0.88, s * 0.45, s * 0.18);

        gc->SetFont(Font(s * 0.52, true), *wxWHITE);
        CentredText(*gc, "R", s * 0.45, s * 0.48);

        // The online dot, ringed so that it stands out from the tile.
        gc->SetBrush(*wxWHITE_BRUSH);
        gc->DrawEllipse(s * 0.6, s * 0.6, s * 0.34, s * 0.34);
        gc->SetBrush(gc->CreateRadialGradientBrush(s * 0.74, s * 0.72, s * 0.77, s * 0.77, s * 0.2,
                                                   Rgb(0x7BE38A), Rgb(0x1F9A3A)));
        gc->DrawEllipse(s * 0.645, s * 0.645, s * 0.25, s * 0.25);
    }
    return image;
}

wxImage SkinPainter::StatusIcon(unsigned char r, unsigned char g, unsigned char b, bool hollow,
                                int scale) {
    wxImage image = Transparent(16 * scale, 16 * scale);
    {
        auto gc = Paint(image, scale);
        const wxColour base(r, g, b);
        const wxColour dark(r * 0.6, g * 0.6, b * 0.6);
        const wxColour light(std::min(255, r + 90), std::min(255, g + 90), std::min(255, b + 90));
        gc->SetPen(wxPen(dark, 1));
        if (hollow) {
            gc->SetBrush(wxBrush(wxColour(0xEE, 0xEF, 0xF2)));
            gc->DrawEllipse(2.5, 2.5, 11, 11);
            gc->SetPen(*wxTRANSPARENT_PEN);
            gc->SetBrush(wxBrush(base));
            gc->DrawEllipse(5.5, 5.5, 5, 5);
        } else {
            gc->SetBrush(gc->CreateRadialGradientBrush(6.5, 6, 8, 8, 7, light, base));
            gc->DrawEllipse(2.5, 2.5, 11, 11);
            gc->SetPen(*wxTRANSPARENT_PEN);
            gc->SetBrush(wxBrush(wxColour(255, 255, 255, 170)));
            gc->DrawEllipse(5, 4, 4, 3);
        }
    }
    return image;
}

wxImage SkinPainter::BusyIcon(int scale) {
    wxImage image = StatusIcon(0xE8, 0x4A, 0x2A, false, scale);
    {
        // A white bar across the dot: "in a show, do not disturb".
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(*wxWHITE_BRUSH);
        gc->DrawRoundedRectangle(4.5, 7, 7, 2.2, 1);
    }
    return image;
}

wxImage SkinPainter::GroupIcon(bool online, int scale) {
    wxImage image = Transparent(16 * scale, 16 * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(online ? Rgb(0x1E7F33) : Rgb(0x7C8089)));
        Person(*gc, 10.8, 1, 9, 12);
        // The front figure, with a white outline that parts it from the one behind.
        gc->SetPen(wxPen(*wxWHITE, 1.2));
        gc->SetBrush(wxBrush(online ? Rgb(0x35C150) : Rgb(0xA9ADB5)));
        Person(*gc, 6, 3.5, 10.5, 16);
    }
    return image;
}

wxImage SkinPainter::TitleBar(int scale) {
    const int w = TITLE_BAR_WIDTH, h = TITLE_BAR_HEIGHT;
    wxImage image(w * scale, h * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(Vertical(*gc, 0, h, Rgb(0x3B4FA8), Rgb(0x1E2A6E)));
        gc->DrawRectangle(0, 0, w, h);
        // Faint enough that white text keeps its contrast.
        gc->SetBrush(Vertical(*gc, 0, h / 2.0, Rgb(0xFFFFFF, 30), Rgb(0xFFFFFF, 6)));
        gc->DrawRectangle(0, 0, w, h / 2.0);
        gc->SetPen(wxPen(Rgb(0x0F1640)));
        gc->StrokeLine(0, h - 0.5, w, h - 0.5);

        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->DrawBitmap(gc->CreateBitmapFromImage(ApplicationIcon(14 * scale)), 3, 2, 14, 14);
        gc->SetFont(Font(8, true), *wxWHITE);
        double tw, th;
        gc->GetTextExtent("Roduviriz", &tw, &th);
        gc->DrawText("Roduviriz", 21, (h - th) / 2);
    }
    return image;
}

wxImage SkinPainter::StyleBar(const wxString& text, unsigned long top, unsigned long bottom,
                              int scale) {
    const int w = STYLE_BAR_WIDTH, h = STYLE_BAR_HEIGHT;
    wxImage image(w * scale, h * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(Vertical(*gc, 0, h, Rgb(top), Rgb(bottom)));
        gc->DrawRectangle(0, 0, w, h);
        // Diagonal stripes make the bar read as a banner rather than a border.
        gc->SetBrush(wxBrush(Rgb(0xFFFFFF, 16)));
        for (int x = -h; x < w; x += 10) {
            wxGraphicsPath stripe = gc->CreatePath();
            stripe.MoveToPoint(x, h);
            stripe.AddLineToPoint(x + h, 0);
            stripe.AddLineToPoint(x + h + 4, 0);
            stripe.AddLineToPoint(x + 4, h);
            stripe.CloseSubpath();
            gc->FillPath(stripe);
        }
        gc->SetFont(Font(7, true), *wxWHITE);
        CentredText(*gc, text, w / 2.0, h / 2.0);
    }
    return image;
}

wxImage SkinPainter::ProfilePlaceholder(int scale) {
    const int w = 107, h = 82;
    wxImage image(w * scale, h * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(Vertical(*gc, 0, h, Rgb(0xDCE6F7), Rgb(0xAFC0E0)));
        gc->DrawRectangle(0, 0, w, h);
        gc->SetBrush(wxBrush(Rgb(0x8698C0)));
        Person(*gc, w / 2.0, 14, 48, h);
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->SetPen(wxPen(Rgb(0x6F83B0)));
        gc->DrawRectangle(0.5, 0.5, w - 1, h - 1);
    }
    return image;
}

// Blues dark enough for white text (a contrast of 4.5:1 and more).
wxImage SkinPainter::ContentPanel(int scale) {
    const int w = TITLE_BAR_WIDTH, h = 120;
    wxImage image(w * scale, h * scale);
    {
        auto gc = Paint(image, scale);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(Vertical(*gc, 0, h, Rgb(0x2D5BB8), Rgb(0x234C9E)));
        gc->DrawRectangle(0, 0, w, h);
        // A faint sheen from the upper left, then a darker foot under the name.
        gc->SetBrush(
            gc->CreateRadialGradientBrush(20, 0, 20, 0, 130, Rgb(0xFFFFFF, 24), Rgb(0xFFFFFF, 0)));
        gc->DrawRectangle(0, 0, w, h);
        gc->SetBrush(Vertical(*gc, h - 30, h, Rgb(0x1E3C8C, 0), Rgb(0x1E3C8C, 70)));
        gc->DrawRectangle(0, h - 30, w, 30);
    }
    return image;
}
