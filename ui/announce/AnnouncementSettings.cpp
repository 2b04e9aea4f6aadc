#include "ui/announce/AnnouncementSettings.h"

#include "resources/ImageStore.h"

AnnouncementSettings AnnouncementSettings::Read() {
    AnnouncementSettings values;
    wxString sound = ReadLiterally("/Announce/sound");
    sound.Trim(true).Trim(false);
    if (sound == SoundValue(SOUND_THEME))
        values.sound = SOUND_THEME;
    else if (sound == SoundValue(SOUND_FILE))
        values.sound = SOUND_FILE;
    values.soundFile = ReadLiterally("/Announce/soundFile");
    values.command = ReadLiterally("/Announce/command");
    wxString hold = ReadLiterally("/Announce/holdFullScreen");
    hold.Trim(true).Trim(false);
    values.holdFullScreen = hold == "1" || hold.IsSameAs("true", false);
    return values;
}

wxString AnnouncementSettings::SoundValue(Sound sound) {
    switch (sound) {
    case SOUND_THEME:
        return "theme";
    case SOUND_FILE:
        return "file";
    case SOUND_OFF:
        break;
    }
    return "off";
}

wxString AnnouncementSettings::ReadLiterally(const wxString& key) {
    auto config = ImageStore::GetConfig();
    const bool expanding = config->IsExpandingEnvVars();
    config->SetExpandEnvVars(false);
    wxString value;
    config->Read(key, &value);
    config->SetExpandEnvVars(expanding);
    return value;
}
