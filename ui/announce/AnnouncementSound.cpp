#include "ui/announce/AnnouncementSound.h"

#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/time.h>

#include <canberra.h>
#include <dlfcn.h>

namespace {
constexpr long QUIET_AFTER_MS = 1000;
} // namespace

AnnouncementSound::~AnnouncementSound() {
    if (m_context)
        ca_context_destroy(m_context);
}

// libcanberra loads its output drivers and keeps state that outlives a context; it stays in
// the process when the plug-in that brought it is unloaded, or its code would be gone under
// the sound thread's feet.
bool AnnouncementSound::Open() {
    if (m_context)
        return true;
    if (!dlopen("libcanberra.so.0", RTLD_NOW | RTLD_NODELETE | RTLD_NOLOAD))
        wxLogTrace(ROD_TRACE, "AnnouncementSound: libcanberra not pinned: %s", dlerror());
    int error = ca_context_create(&m_context);
    if (error == CA_SUCCESS)
        error =
            ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Roduviriz",
                                    CA_PROP_APPLICATION_ID, "example.roduviriz.Roduviriz", nullptr);
    if (error == CA_SUCCESS)
        error = ca_context_open(m_context);
    if (error != CA_SUCCESS) {
        wxLogWarning("sound: no sound device: %s", ca_strerror(error));
        if (m_context)
            ca_context_destroy(m_context);
        m_context = nullptr;
        return false;
    }
    return true;
}

bool AnnouncementSound::Play(AnnouncementSettings::Sound sound, const wxString& file) {
    if (sound == AnnouncementSettings::SOUND_OFF)
        return true;
    if (!Open())
        return false;
    int error = CA_SUCCESS;
    if (sound == AnnouncementSettings::SOUND_THEME)
        error = ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "message-new-instant",
                                CA_PROP_EVENT_DESCRIPTION, "Performer announced", nullptr);
    else
        error = ca_context_play(m_context, 0, CA_PROP_MEDIA_FILENAME,
                                static_cast<const char*>(file.utf8_str()), nullptr);
    if (error != CA_SUCCESS) {
        if (sound == AnnouncementSettings::SOUND_THEME)
            wxLogWarning("sound: message-new-instant cannot be played: %s", ca_strerror(error));
        else
            wxLogWarning("sound: %s cannot be played: %s", file, ca_strerror(error));
        return false;
    }
    return true;
}

void AnnouncementSound::PlayForAnnouncement(AnnouncementSettings::Sound sound,
                                            const wxString& file) {
    if (sound == AnnouncementSettings::SOUND_OFF)
        return;
    const wxLongLong now = wxGetUTCTimeMillis();
    if (m_lastAnnouncement != 0 && now - m_lastAnnouncement < QUIET_AFTER_MS)
        return;
    m_lastAnnouncement = now;
    Play(sound, file);
}
