#pragma once

#include <wx/image.h>
#include <wx/string.h>

#include <utility>
#include <vector>

// Draws every picture of the plug-in's skin in code, each under the name the plug-in asks
// for. Needs no display: everything is painted into wxImages.
class SkinPainter {
public:
    explicit SkinPainter(const wxString& version);

    // Every picture of the skin, in a fixed order.
    std::vector<std::pair<wxString, wxImage>> PaintAll() const;

    wxImage SplashScreen() const;
    static wxImage ApplicationIcon(int size);
    static wxImage StatusIcon(unsigned char r, unsigned char g, unsigned char b, bool hollow);
    static wxImage BusyIcon();
    static wxImage GroupIcon(bool online);
    static wxImage TitleBar();
    static wxImage StyleBar(const wxString& text, unsigned long top, unsigned long bottom);
    static wxImage ProfilePlaceholder();
    static wxImage ContentPanel();

private:
    wxString m_version;
};
