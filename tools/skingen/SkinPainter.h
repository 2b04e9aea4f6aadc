#pragma once

#include <wx/image.h>
#include <wx/string.h>

#include <utility>
#include <vector>

// Draws every picture of the plug-in's skin in code, each under the name the plug-in asks
// for. Needs no display: everything is painted into wxImages.
// Every picture but the window icon is drawn at a scale of 1 and 2, the second in twice the
// pixels.
class SkinPainter {
public:
    // As wide as a pop-up.
    enum {
        TITLE_BAR_WIDTH = 150,
        TITLE_BAR_HEIGHT = 18,
        STYLE_BAR_WIDTH = 150,
        STYLE_BAR_HEIGHT = 12
    };

    explicit SkinPainter(const wxString& version);

    // Every picture of the skin, in a fixed order.
    std::vector<std::pair<wxString, wxImage>> PaintAll() const;

    wxImage SplashScreen(int scale) const;
    static wxImage ApplicationIcon(int size);
    static wxImage StatusIcon(unsigned char r, unsigned char g, unsigned char b, bool hollow,
                              int scale);
    static wxImage BusyIcon(int scale);
    static wxImage GroupIcon(bool online, int scale);
    static wxImage TitleBar(int scale);
    static wxImage StyleBar(const wxString& text, unsigned long top, unsigned long bottom,
                            int scale);
    static wxImage ProfilePlaceholder(int scale);
    static wxImage ContentPanel(int scale);

private:
    wxString m_version;
};
