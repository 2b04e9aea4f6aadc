#pragma once

class wxTopLevelWindow;

// Tells the window manager that a pop-up window is a notification: not a dialog in the task
// bar, the pager or the window switcher, and never given the input focus, neither when it
// appears nor when it is clicked. Applied before the window is first shown.
class NotificationWindowHints {
public:
    static void Apply(wxTopLevelWindow* window);
};
