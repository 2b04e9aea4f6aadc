#pragma once

#include "core/Site.h"

#include <wx/module.h>

// The one concrete site and, at the same time, the plug-in's toolkit module: the toolkit
// creates it when the library is loaded, so OnInit runs before anything else of ours.
class KestovaSite : public Site, public wxModule {
public:
    KestovaSite();

    int UpdateUserList() override;
    bool OnInit() override;
    void OnExit() override;

private:
    wxDECLARE_DYNAMIC_CLASS(KestovaSite);
};
