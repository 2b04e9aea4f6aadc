#pragma once

#include <wx/frame.h>

// The plug-in's one top-level window.
class MainFrame : public wxFrame {
public:
    MainFrame();
};
