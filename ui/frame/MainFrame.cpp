#include "ui/frame/MainFrame.h"

MainFrame::MainFrame() : wxFrame(nullptr, wxID_ANY, wxEmptyString) {
    SetTitle(_("Orlavin ZirovUdaroro"));
    Show(true);
}
