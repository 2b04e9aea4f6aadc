#pragma once

#include <wx/modalhook.h>
#include <wx/string.h>

#include <atomic>
#include <functional>
#include <vector>

// Answers every modal dialog with OK instead of showing it, and records each message box:
// what it said, its caption and style, and whether it came up on the GUI thread.
class MessageBoxRecorder : public wxModalDialogHook {
public:
    struct Box {
        wxString message;
        wxString caption;
        long style;
        bool onMainThread;
        bool isMessageBox;
    };

    MessageBoxRecorder() { Register(); }

    // Runs while each dialog is "up", before it is answered.
    std::function<void()> whileShown;

    std::vector<Box> boxes;
    size_t Count() const { return m_count; }

protected:
    int Enter(wxDialog* dialog) override;

private:
    std::atomic<size_t> m_count{0};
};
