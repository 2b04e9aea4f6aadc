#include "ui/frame/Preferences.h"

#include "core/SiteEndpoints.h"
#include "resources/AutostartEntry.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/announce/MutedPerformers.h"
#include "ui/frame/PasswordKeyring.h"

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

long ReadRanged(wxConfigBase& config, const char* key, long fallback, long low, long high) {
    long value = fallback;
    if (!config.Read(key, &value) || value < low || value > high)
        return fallback;
    return value;
}

wxString ReadHost(wxConfigBase& config, const char* key, const char* fallback) {
    wxString value = config.Read(key, wxString(fallback));
    value.Trim(true).Trim(false);
    return value.empty() ? wxString(fallback) : value;
}

wxString Number(long value) {
    return wxString::Format("%ld", value);
}

wxString Flag(bool value) {
    return value ? "1" : "0";
}

struct OldValue {
    wxString key;
    bool existed;
    wxString value;
};

void Restore(wxConfigBase& config, const std::vector<OldValue>& old) {
    for (const OldValue& entry : old) {
        if (entry.existed)
            config.Write(entry.key, entry.value);
        else
            config.DeleteEntry(entry.key, true);
    }
}

wxString SettingsFile() {
    const wxAppConsole* app = wxAppConsole::GetInstance();
    return wxFileConfig::GetLocalFileName(app ? app->GetAppName() : wxString("Roduviriz"));
}

} // namespace

Preferences Preferences::Read() {
    Preferences values;
    {
        auto config = ImageStore::GetConfig();
        values.webHost = ReadHost(*config, "/Site/webHost", SiteEndpoints::DEFAULT_WEB_HOST);
        values.imageHost = ReadHost(*config, "/Site/imageHost", SiteEndpoints::DEFAULT_IMAGE_HOST);
        values.previewHost =
            ReadHost(*config, "/Site/previewHost", SiteEndpoints::DEFAULT_PREVIEW_HOST);
        values.secure =
            config->Read("/Site/scheme", wxString("http")).Trim(true).Trim(false) == "https";
        values.syncInterval = ReadRanged(*config, "/System/syncinterval", DEFAULT_INTERVAL,
                                         MIN_INTERVAL, MAX_INTERVAL);
        values.parsePause = ReadRanged(*config, "/System/parsePause", DEFAULT_PARSE_PAUSE,
                                       MIN_PARSE_PAUSE, MAX_PARSE_PAUSE);
        values.onlyFavorite = PopupSettings::ReadFlag("/PopupDialog/onlyFavorite", false);
        // As the pop-ups read them (the duration held within its range).
        values.popupDuration = PopupSettings::Duration();
        values.paused = PopupSettings::Paused();
        values.graceRefreshes = PopupSettings::GraceRefreshes();
        values.holdWhileHovered = PopupSettings::HoldWhileHovered();
        values.popupStyle = PopupSettings::GetStyle();
        values.startInTray = PopupSettings::ReadFlag("/Session/startInTray", false);
        values.sortByName = PopupSettings::ReadFlag("/Trees/sortByName", false);
        values.passwordInKeyring = PopupSettings::ReadFlag(PASSWORD_IN_KEYRING, false);
        values.historyOfEveryone = HistorySettings::RecordsEveryone();
        values.historyDays = HistorySettings::Days();
    }
    values.announce = AnnouncementSettings::Read();
    values.muted = MutedPerformers::Names();
    values.autostart = AutostartEntry::IsEnabled();
    return values;
}

bool Preferences::Save(wxString* why) const {
    const std::vector<std::pair<const char*, wxString>> values = {
        {"/Site/webHost", wxString(webHost).Trim(true).Trim(false)},
        {"/Site/imageHost", wxString(imageHost).Trim(true).Trim(false)},
        {"/Site/previewHost", wxString(previewHost).Trim(true).Trim(false)},
        {"/Site/scheme", secure ? "https" : "http"},
        {"/System/syncinterval", Number(syncInterval)},
        {"/System/parsePause", Number(parsePause)},
        {"/PopupDialog/duration", Number(popupDuration)},
        {"/PopupDialog/onlyFavorite", Flag(onlyFavorite)},
        {"/PopupDialog/paused", Flag(paused)},
        {"/PopupDialog/graceRefreshes", Number(graceRefreshes)},
        {"/PopupDialog/holdWhileHovered", Flag(holdWhileHovered)},
        {"/PopupDialog/style", PopupSettings::StyleValue(popupStyle)},
        {"/Session/autostart", Flag(autostart)},
        {"/Session/startInTray", Flag(startInTray)},
        {"/Trees/sortByName", Flag(sortByName)},
        {PASSWORD_IN_KEYRING, Flag(passwordInKeyring)},
        {"/History/scope",
         historyOfEveryone ? HistorySettings::SCOPE_ALL : HistorySettings::SCOPE_FAVORITES},
        {"/History/days", Number(historyDays)},
        {"/Announce/command", announce.command},
        {"/Announce/sound", AnnouncementSettings::SoundValue(announce.sound)},
        {"/Announce/soundFile", announce.soundFile},
        {"/Announce/holdFullScreen", Flag(announce.holdFullScreen)},
    };
    // The password changes places first: into the keyring before it leaves the file, out of
    // it only once the file holds it again.
    const bool moveToKeyring =
        passwordInKeyring && !PopupSettings::ReadFlag(PASSWORD_IN_KEYRING, false);
    const bool moveToFile =
        !passwordInKeyring && PopupSettings::ReadFlag(PASSWORD_IN_KEYRING, false);
    const wxString account = ImageStore::GetConfig()->Read("/id", wxString());
    wxString password = ImageStore::GetConfig()->Read("/password", wxString());
    // Before the first login there is nothing to move.
    if (moveToKeyring && !password.empty() && !PasswordKeyring::Store(account, password, why))
        return false;
    if (moveToFile && !PasswordKeyring::Lookup(account, &password, why))
        return false;
    {
        auto config = ImageStore::GetConfig();
        // The old values come back as they were, "$HOME" and all.
        const bool expanding = config->IsExpandingEnvVars();
        config->SetExpandEnvVars(false);
        std::vector<OldValue> old;
        for (const auto& [key, value] : values) {
            OldValue entry{key, false, wxString()};
            entry.existed = config->Read(key, &entry.value);
            old.push_back(entry);
            config->Write(key, value);
        }
        config->SetExpandEnvVars(expanding);
        for (const wxString& name : MutedPerformers::Names()) {
            if (std::find(muted.begin(), muted.end(), name) != muted.end())
                continue;
            const wxString key = MutedPerformers::KeyOf(name);
            old.push_back({key, true, config->Read(key, wxString())});
            config->DeleteEntry(key, true);
        }
        if (moveToKeyring || moveToFile) {
            OldValue entry{"/password", false, wxString()};
            entry.existed = config->Read(entry.key, &entry.value);
            old.push_back(entry);
            if (moveToKeyring)
                config->DeleteEntry(entry.key, false);
            else
                config->Write(entry.key, password);
        }
        // The toolkit's own complaints would come as a second message, later.
        wxLogNull quiet;
        if (!config->Flush()) {
            Restore(*config, old);
            wxString ignored;
            if (moveToKeyring)
                PasswordKeyring::Clear(account, &ignored);
            *why = wxString::Format(_("The settings file %s cannot be written."), SettingsFile());
            return false;
        }
        wxString reason;
        if (autostart != AutostartEntry::IsEnabled() &&
            !AutostartEntry::SetEnabled(autostart, &reason)) {
            Restore(*config, old);
            config->Flush();
            wxString ignored;
            if (moveToKeyring)
                PasswordKeyring::Clear(account, &ignored);
            *why = reason;
            return false;
        }
    }
    wxString ignored;
    // Left behind, it would only be a second copy: the file holds the password now.
    if (moveToFile && !PasswordKeyring::Clear(account, &ignored))
        wxLogTrace(ROD_TRACE, "Preferences: the keyring kept its copy: %s", ignored);
    SiteEndpoints::Load();
    return true;
}
