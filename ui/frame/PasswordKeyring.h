#pragma once

#include <wx/string.h>

// The account password in the desktop's keyring: a Secret Service on the session bus (GNOME
// Keyring, KWallet, KeePassXC), through libsecret, one item per account with the account name
// as its attribute "account". Each call waits for the service at most LIMIT_SECONDS; a keyring
// that is locked, or whose prompt the user cancels, is a failure with its reason, never a hang.
// The waits run a main context of their own, so no window event is handled meanwhile. GUI
// thread only.
class PasswordKeyring {
public:
    static constexpr int LIMIT_SECONDS = 60;

    // Whether a Secret Service runs on the session bus now (one that the bus would only start
    // on demand does not count); if not, *why says so.
    static bool IsAvailable(wxString* why);
    static bool Store(const wxString& account, const wxString& password, wxString* why);
    // *password is empty when nothing is stored for the account.
    static bool Lookup(const wxString& account, wxString* password, wxString* why);
    // Nothing stored is no failure.
    static bool Clear(const wxString& account, wxString* why);
};
