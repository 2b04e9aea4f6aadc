#pragma once

#include <wx/string.h>

class wxWindow;

// What a screen reader hears of a window that the toolkit names poorly: the role and the name
// of its accessible object, set before it shows, so that its appearance is announced with them.
class AccessibleWindow {
public:
    enum Role {
        // A message that appears by itself (a pop-up): announced when it shows.
        ROLE_NOTIFICATION,
        ROLE_IMAGE,
    };

    static void Describe(wxWindow* window, Role role, const wxString& name);
};
