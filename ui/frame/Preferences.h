#pragma once

#include "history/HistorySettings.h"
#include "ui/announce/AnnouncementSettings.h"
#include "ui/popup/PopupSettings.h"

#include <wx/string.h>

#include <vector>

// The settings that the preferences dialog shows, with their bounds. Read() gives a value
// missing, unreadable or out of range as its default, the pop-up settings as the pop-ups read
// them; the file keeps what it holds until Save. Save() writes every key at once, or none.
struct Preferences {
    static constexpr const char* PASSWORD_IN_KEYRING = "/Account/passwordInKeyring";
    static constexpr long MIN_INTERVAL = 1, MAX_INTERVAL = 3600, DEFAULT_INTERVAL = 10;
    static constexpr long MIN_PARSE_PAUSE = 0, MAX_PARSE_PAUSE = 100, DEFAULT_PARSE_PAUSE = 10;
    static constexpr long MIN_DURATION = PopupSettings::MIN_DURATION;
    static constexpr long MAX_DURATION = PopupSettings::MAX_DURATION;
    static constexpr long DEFAULT_DURATION = PopupSettings::DEFAULT_DURATION;
    static constexpr long MIN_GRACE = 0, MAX_GRACE = PopupSettings::MAX_GRACE_REFRESHES;
    static constexpr long DEFAULT_GRACE = 0;

    wxString webHost;
    wxString imageHost;
    wxString previewHost;
    bool secure = false;                   // "/Site/scheme" is "https"
    long syncInterval = DEFAULT_INTERVAL;  // seconds
    long parsePause = DEFAULT_PARSE_PAUSE; // milliseconds per stored performer
    long popupDuration = DEFAULT_DURATION; // seconds
    bool onlyFavorite = false;
    bool paused = false;
    long graceRefreshes = DEFAULT_GRACE;
    bool holdWhileHovered = false;
    PopupSettings::Style popupStyle = PopupSettings::STYLE_OWN;
    bool autostart = false; // whether the session's autostart entry is on
    bool startInTray = false;
    bool sortByName = false; // both trees sorted by name instead of by arrival
    // The account password in the desktop's keyring instead of "/password" in the file.
    bool passwordInKeyring = false;
    bool historyOfEveryone = false; // "/History/scope" "all"
    long historyDays = HistorySettings::DEFAULT_DAYS;
    // "/Announce/...", as the announcements read them.
    AnnouncementSettings announce;
    // Save unmutes those no longer listed; muting is the trees' context menu's.
    std::vector<wxString> muted;

    static Preferences Read();
    // Moves the password into the keyring or out of it when that choice changed, writes the
    // keys and the settings file, then the autostart entry, and reloads the site's hosts. On
    // failure nothing is changed and *why says what could not be written.
    bool Save(wxString* why) const;
};
