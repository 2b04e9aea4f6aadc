#include "tests/core/ExitRecordingFrame.h"

#include <wx/app.h>

#include <algorithm>

ExitRecordingFrame::ExitRecordingFrame() : wxFrame(nullptr, wxID_ANY, "top window") {
    Bind(wxEVT_MENU, &ExitRecordingFrame::OnMenu, this);
    wxTheApp->SetTopWindow(this);
}

ExitRecordingFrame::~ExitRecordingFrame() {
    if (wxTheApp->GetTopWindow() == this)
        wxTheApp->SetTopWindow(nullptr);
}

size_t ExitRecordingFrame::ExitCount() const {
    return static_cast<size_t>(std::count(commands.begin(), commands.end(), wxID_EXIT));
}

void ExitRecordingFrame::OnMenu(wxCommandEvent& event) {
    commands.push_back(event.GetId());
}
