#pragma once

#include <wx/string.h>

// The desktop entry that starts the program with the user's session:
// "$XDG_CONFIG_HOME/autostart/roduviriz.desktop" (the folder "~/.config/autostart" without the
// variable). The file is the truth; no setting stands in for it.
class AutostartEntry {
public:
    static wxString GetPath();
    // True while the entry exists and the desktop has not switched it off ("Hidden=true" or
    // "X-GNOME-Autostart-enabled=false", as session settings write instead of deleting it).
    static bool IsEnabled();
    // Writes the entry (replacing one switched off) or removes it. On failure *why says
    // what could not be done, and the entry is as it was.
    static bool SetEnabled(bool enabled, wxString* why);
    // The installed launcher, "PREFIX/bin/roduviriz" for the program in
    // "PREFIX/lib[/ARCH]/roduviriz/", or the program itself where there is none (a build tree).
    static wxString GetCommand();
};
