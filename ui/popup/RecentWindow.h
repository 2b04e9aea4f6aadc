#pragma once

#include <wx/frame.h>

class RecentAnnouncements;
class RecentListCtrl;

// The "Recent" window: the announcements of this run, newest first, updated while it is open
// without taking the focus. A window of its own (no parent), so that it can be shown while
// the main window is hidden in the tray, and a tool window, not a second main window in the
// task bar; Escape closes it. Whoever keeps the list destroys it with the list.
class RecentWindow : public wxFrame {
public:
    explicit RecentWindow(RecentAnnouncements* list);
    ~RecentWindow() override;

    // The list goes before the window: the window lets go of it.
    void Detach();

    RecentListCtrl* GetListCtrl() const { return m_listCtrl; }

private:
    RecentAnnouncements* m_list;
    RecentListCtrl* m_listCtrl;
};
