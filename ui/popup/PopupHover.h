#pragma once

#include <wx/event.h>
#include <wx/window.h>

#include <functional>

// Tells when the pointer comes over a pop-up and when it leaves it again. The pointer passes
// between the pop-up's child windows without leaving: only a leave that ends outside the
// pop-up's rectangle counts.
class PopupHover : public wxEvtHandler {
public:
    // changed(true) when the pointer comes over popup, changed(false) when it has left.
    // Watches popup and every child it has now; lives as long as popup.
    PopupHover(wxWindow* popup, const std::function<void(bool over)>& changed);

    bool IsOver() const { return m_over; }

private:
    void Watch(wxWindow* window);
    void OnEnter(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);

    wxWindow* m_popup;
    std::function<void(bool)> m_changed;
    bool m_over = false;
};
