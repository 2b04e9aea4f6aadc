// skingen: paints the plug-in's skin and writes it as a zip of PNG pictures, or as one PNG
// contact sheet to look at.
//   skingen --out FILE.skin
//   skingen --sheet FILE.png
//   skingen --icon FILE.png   (the application icon alone, for the desktop entry)
#include "tools/skingen/SkinPainter.h"

#include <wx/brush.h>
#include <wx/filefn.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#ifndef SKINGEN_VERSION
#define SKINGEN_VERSION "0.0.0"
#endif

namespace {

bool WriteArchive(const std::vector<std::pair<wxString, wxImage>>& pictures, const wxString& path) {
    const wxString temp = path + ".tmp";
    {
        wxFFileOutputStream file(temp);
        if (!file.IsOk())
            return false;
        wxZipOutputStream zip(file);
        for (const auto& picture : pictures) {
            wxMemoryOutputStream png;
            if (!picture.second.SaveFile(png, wxBITMAP_TYPE_PNG))
                return false;
            wxMemoryInputStream data(png);
            if (!zip.PutNextEntry(picture.first + ".png") || !zip.Write(data).IsOk())
                return false;
        }
        if (!zip.Close() || !file.Close())
            return false;
    }
    // Replaced in one step, so that an interrupted build never leaves half an archive.
    return wxRenameFile(temp, path, true);
}

// Small icons are enlarged more, so that single pixels can be judged.
int ZoomFor(const wxImage& image) {
    return image.GetWidth() <= 16 ? 6 : 4;
}

// Every picture at its own size on a light and on a dark ground, small ones also enlarged.
bool WriteSheet(const std::vector<std::pair<wxString, wxImage>>& pictures, const wxString& path) {
    const int width = 1000, margin = 16, label = 16;
    int x = margin, y = margin, rowHeight = 0;
    struct Cell {
        int x, y;
        size_t index;
    };
    std::vector<Cell> cells;
    auto footprint = [](const wxImage& image) {
        const int w = image.GetWidth(), h = image.GetHeight();
        if (w > 48)
            return wxSize(w, h);
        const int z = ZoomFor(image);
        return wxSize(w * (1 + 2 * z) + 24, std::max(2 * h + 4, h * z));
    };
    for (size_t i = 0; i < pictures.size(); ++i) {
        const wxSize size = footprint(pictures[i].second);
        const int cellW = std::max(size.x, 240), cellH = size.y + label + 24;
        if (x + cellW > width - margin) {
            x = margin;
            y += rowHeight;
            rowHeight = 0;
        }
        cells.push_back({x, y, i});
        x += cellW + margin;
        rowHeight = std::max(rowHeight, cellH);
    }
    const int height = y + rowHeight + margin;

    wxImage sheet(width, height);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(sheet));
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(0xF4, 0xF4, 0xF6)));
        gc->DrawRectangle(0, 0, width, height);
        gc->SetFont(wxFont(wxFontInfo(8).Family(wxFONTFAMILY_SWISS)), wxColour(0x30, 0x30, 0x30));
        for (const Cell& cell : cells) {
            const wxImage& image = pictures[cell.index].second;
            const int w = image.GetWidth(), h = image.GetHeight();
            gc->DrawText(wxString::Format("%s  %dx%d", pictures[cell.index].first, w, h), cell.x,
                         cell.y);
            const int top = cell.y + label;
            if (w > 48) {
                gc->DrawBitmap(gc->CreateBitmapFromImage(image), cell.x, top, w, h);
                continue;
            }
            // Actual size on light and dark, then enlarged without smoothing.
            gc->DrawBitmap(gc->CreateBitmapFromImage(image), cell.x, top, w, h);
            gc->SetBrush(wxBrush(wxColour(0x30, 0x33, 0x3A)));
            gc->DrawRectangle(cell.x, top + h + 4, w, h);
            gc->DrawBitmap(gc->CreateBitmapFromImage(image), cell.x, top + h + 4, w, h);
            const int z = ZoomFor(image);
            const wxImage big = image.Scale(w * z, h * z, wxIMAGE_QUALITY_NEAREST);
            gc->SetBrush(wxBrush(wxColour(0xFF, 0xFF, 0xFF)));
            gc->DrawRectangle(cell.x + w + 8, top, w * z, h * z);
            gc->DrawBitmap(gc->CreateBitmapFromImage(big), cell.x + w + 8, top, w * z, h * z);
            gc->SetBrush(wxBrush(wxColour(0x30, 0x33, 0x3A)));
            gc->DrawRectangle(cell.x + w * (z + 1) + 16, top, w * z, h * z);
            gc->DrawBitmap(gc->CreateBitmapFromImage(big), cell.x + w * (z + 1) + 16, top, w * z,
                           h * z);
        }
    }
    return sheet.SaveFile(path, wxBITMAP_TYPE_PNG);
}

bool WriteIcon(const std::vector<std::pair<wxString, wxImage>>& pictures, const wxString& path) {
    for (const auto& picture : pictures)
        if (picture.first == "Application_icon")
            return picture.second.SaveFile(path, wxBITMAP_TYPE_PNG);
    return false;
}

int Usage() {
    std::fprintf(stderr, "usage: skingen --out FILE.skin | --sheet FILE.png | --icon FILE.png\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return Usage();
    wxInitializer init(argc, argv);
    if (!init.IsOk()) {
        std::fprintf(stderr, "skingen: cannot initialise wxWidgets\n");
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);

    const auto pictures = SkinPainter(SKINGEN_VERSION).PaintAll();
    const wxString path = wxString::FromUTF8(argv[2]);
    bool ok;
    if (std::strcmp(argv[1], "--out") == 0)
        ok = WriteArchive(pictures, path);
    else if (std::strcmp(argv[1], "--sheet") == 0)
        ok = WriteSheet(pictures, path);
    else if (std::strcmp(argv[1], "--icon") == 0)
        ok = WriteIcon(pictures, path);
    else
        return Usage();
    if (!ok) {
        std::fprintf(stderr, "skingen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
