#include "ui/popup/PopupSettings.h"

#include "resources/ImageStore.h"

#include <algorithm>

long PopupSettings::Duration() {
    long seconds = DEFAULT_DURATION;
    if (!ReadNumber("/PopupDialog/duration", &seconds))
        return DEFAULT_DURATION;
    // 0 used to close a pop-up at once and a negative value never.
    return std::clamp(seconds, MIN_DURATION, MAX_DURATION);
}

long PopupSettings::GraceRefreshes() {
    long refreshes = 0;
    if (!ReadNumber("/PopupDialog/graceRefreshes", &refreshes) || refreshes < 0 ||
        refreshes > MAX_GRACE_REFRESHES)
        return 0;
    return refreshes;
}

bool PopupSettings::HoldWhileHovered() {
    return ReadFlag("/PopupDialog/holdWhileHovered", false);
}

bool PopupSettings::Paused() {
    return ReadFlag("/PopupDialog/paused", false);
}

PopupSettings::Style PopupSettings::GetStyle() {
    wxString text;
    if (!ImageStore::GetConfig()->Read("/PopupDialog/style", &text))
        return STYLE_OWN;
    text.Trim(true).Trim(false);
    return text.IsSameAs(StyleValue(STYLE_DESKTOP), false) ? STYLE_DESKTOP : STYLE_OWN;
}

wxString PopupSettings::StyleValue(Style style) {
    return style == STYLE_DESKTOP ? "desktop" : "own";
}

bool PopupSettings::ReadNumber(const wxString& key, long* value) {
    wxString text;
    if (!ImageStore::GetConfig()->Read(key, &text))
        return false;
    text.Trim(true).Trim(false);
    long number = 0;
    if (text.empty() || !text.ToLong(&number))
        return false;
    *value = number;
    return true;
}

// Read as text: the toolkit's flag reader takes any number but 0 for true, warning the user
// about it in a message box, and does not know "true".
bool PopupSettings::ReadFlag(const wxString& key, bool def) {
    wxString text;
    if (!ImageStore::GetConfig()->Read(key, &text))
        return def;
    text.Trim(true).Trim(false);
    if (text == "1" || text.IsSameAs("true", false))
        return true;
    if (text == "0" || text.IsSameAs("false", false))
        return false;
    return def;
}
