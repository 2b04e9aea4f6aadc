#include "ui/popup/PopupHover.h"

PopupHover::PopupHover(wxWindow* popup, const std::function<void(bool over)>& changed)
    : m_popup(popup), m_changed(changed) {
    Watch(popup);
}

void PopupHover::Watch(wxWindow* window) {
    window->Bind(wxEVT_ENTER_WINDOW, &PopupHover::OnEnter, this);
    window->Bind(wxEVT_LEAVE_WINDOW, &PopupHover::OnLeave, this);
    for (wxWindow* child : window->GetChildren())
        Watch(child);
}

void PopupHover::OnEnter(wxMouseEvent& event) {
    event.Skip();
    if (m_over)
        return;
    m_over = true;
    m_changed(true);
}

void PopupHover::OnLeave(wxMouseEvent& event) {
    event.Skip();
    auto* window = static_cast<wxWindow*>(event.GetEventObject());
    if (!m_over || !window)
        return;
    // In the pop-up's own coordinates: the toolkit's record of where a pop-up is on the screen
    // was seen to lag behind the window manager.
    const wxPoint where = m_popup->ScreenToClient(window->ClientToScreen(event.GetPosition()));
    if (wxRect(m_popup->GetClientSize()).Contains(where))
        return;
    m_over = false;
    m_changed(false);
}
