#pragma once

#include <wx/string.h>

// The pop-ups' settings, each read with its bounds: a value that is missing, unreadable or out
// of range falls back to the default, except the duration, which is held within its range.
// Read where they are used, so that a change applies to the next pop-up.
class PopupSettings {
public:
    static constexpr long DEFAULT_DURATION = 8;
    static constexpr long MIN_DURATION = 1;
    static constexpr long MAX_DURATION = 3600;
    static constexpr long MAX_GRACE_REFRESHES = 10;
    // How announcements appear: the own pop-up windows, or the desktop's notifications.
    enum Style { STYLE_OWN, STYLE_DESKTOP };

    // "/PopupDialog/duration": seconds a pop-up stays, 1..3600.
    static long Duration();
    // "/PopupDialog/graceRefreshes": 0..10, default 0.
    static long GraceRefreshes();
    // "/PopupDialog/holdWhileHovered": default false.
    static bool HoldWhileHovered();
    // "/PopupDialog/paused": default false.
    static bool Paused();
    // "/PopupDialog/style": "own" (the default) or "desktop".
    static Style GetStyle();
    // The value of "/PopupDialog/style" for the style.
    static wxString StyleValue(Style style);

    // The value of key as a whole number, or nothing (false) when it is missing or no number.
    static bool ReadNumber(const wxString& key, long* value);
    // The value of key as "1"/"0" (as the settings are written) or "true"/"false"; def otherwise.
    static bool ReadFlag(const wxString& key, bool def);
};
