#pragma once

#include <wx/frame.h>

#include <vector>

// A frame that stands in for the main frame as the application's top window and records
// the menu commands that reach it.
class ExitRecordingFrame : public wxFrame {
public:
    ExitRecordingFrame();
    ~ExitRecordingFrame() override;

    std::vector<int> commands;
    size_t ExitCount() const;

private:
    void OnMenu(wxCommandEvent& event);
};
