#pragma once

#include "ui/announce/AnnouncementSettings.h"

#include <wx/longlong.h>

struct ca_context;

// The sound of an announcement, through libcanberra: the desktop's event sound
// "message-new-instant" from the user's sound theme, or a sound file of the user's. One
// context serves the process (it is opened on the first sound); a sound that cannot be played
// (no sound device, a file that is no sound) is one line in the log, and nothing else happens.
// GUI thread.
class AnnouncementSound {
public:
    AnnouncementSound() = default;
    ~AnnouncementSound();
    AnnouncementSound(const AnnouncementSound&) = delete;
    AnnouncementSound& operator=(const AnnouncementSound&) = delete;

    // Plays the chosen sound, unless it is off; false when it could not be played.
    bool Play(AnnouncementSettings::Sound sound, const wxString& file);
    // As Play, but nothing while a sound of an announcement started less than a second ago:
    // a flood of arrivals is one sound, not twenty over each other.
    void PlayForAnnouncement(AnnouncementSettings::Sound sound, const wxString& file);

private:
    bool Open();

    ca_context* m_context = nullptr;
    wxLongLong m_lastAnnouncement = 0;
};
