#pragma once

#include <wx/string.h>

// What goes with an announcement, as the settings file has it ("/Announce/..."). The texts
// are read as they are written: the toolkit would otherwise replace "$NAME" in them with the
// environment's value, and a command's arguments are the user's to the letter.
struct AnnouncementSettings {
    enum Sound { SOUND_OFF, SOUND_THEME, SOUND_FILE };

    // "/Announce/sound": "off" (the default), "theme" or "file"; anything else means off.
    Sound sound = SOUND_OFF;
    // "/Announce/soundFile": the file played with the sound "file".
    wxString soundFile;
    // "/Announce/command": run on each announcement; empty (the default) for none.
    wxString command;
    // "/Announce/holdFullScreen": the own pop-ups wait while the active window is full screen.
    bool holdFullScreen = false;

    static AnnouncementSettings Read();
    // The value of "/Announce/sound" for the sound.
    static wxString SoundValue(Sound sound);
    // The key's text as it stands in the file; empty when it is missing.
    static wxString ReadLiterally(const wxString& key);
};
