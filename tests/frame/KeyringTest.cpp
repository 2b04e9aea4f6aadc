// The password in the desktop's keyring: a real GNOME Keyring daemon on the test's session bus.
#include "resources/ConfigAccess.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/frame/KeyringDaemon.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TestEnvironment.h"
#include "ui/frame/PasswordKeyring.h"
#include "ui/frame/Preferences.h"
#include "ui/frame/PreferencesDialog.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/fileconf.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace frametest;

namespace {

// The settings file as it lies on the disk.
std::string SettingsFileText() {
    ImageStore::GetConfig()->Flush();
    std::ifstream file(wxFileConfig::GetLocalFileName("Roduviriz").utf8_string(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void SetPasswordInKeyring(bool inKeyring) {
    Preferences values = Preferences::Read();
    values.passwordInKeyring = inKeyring;
    wxString why;
    EXPECT_TRUE(values.Save(&why)) << why;
}

// The option as the Preferences dialog offers it: enabled, or greyed out with the reason.
bool OfferedWithoutReason() {
    PreferencesDialog dialog(nullptr);
    auto* option = Control<wxCheckBox>(dialog, Preferences::PASSWORD_IN_KEYRING);
    EXPECT_NE(option, nullptr);
    const bool reason = dialog.FindWindow("keyringReason") != nullptr;
    EXPECT_NE(option && option->IsEnabled(), reason);
    return option && option->IsEnabled() && !reason;
}

} // namespace

// Without a Secret Service the option is greyed out. With one, the password of a login goes
// into the keyring and no byte of it into the file; the next start (a fresh settings object)
// finds it there and logs in with it, and turning the option off brings it back into the file
// (and on again, into the keyring).
TEST(KeyringTest, ThePasswordLivesInTheKeyringAndComesBackToTheFile) {
    FreshSettings();
    EXPECT_FALSE(OfferedWithoutReason());
    KeyringDaemon keyring;
    ASSERT_TRUE(keyring.Start());
    EXPECT_TRUE(OfferedWithoutReason());
    SetPasswordInKeyring(true);

    ModalAnswerer answers;
    MainFrame* frame = OpenFrame();
    answers.Expect(AnswerAccount("demo", "secret"));
    SendMenu(frame, MainFrame::ID_UPDATE_FAVORITE);
    ASSERT_TRUE(WaitFor([frame] { return frame->AreFavoritesLoaded(); }, 10000));
    EXPECT_EQ(SettingsFileText().find("secret"), std::string::npos);
    EXPECT_NE(SettingsFileText().find("passwordInKeyring=1"), std::string::npos);
    CloseFrame(frame);

    ConfigAccess::Release();
    frame = OpenFrame();
    wxString seenPassword;
    answers.Expect(AnswerAccount("demo", "secret", nullptr, &seenPassword));
    SendMenu(frame, MainFrame::ID_UPDATE_FAVORITE);
    ASSERT_TRUE(WaitFor([frame] { return frame->AreFavoritesLoaded(); }, 10000));
    EXPECT_EQ(seenPassword, "secret");
    EXPECT_EQ(answers.GetShown().size(), 2u) << "nothing but the account dialog asked";
    CloseFrame(frame);

    SetPasswordInKeyring(false);
    EXPECT_EQ(ImageStore::GetConfig()->Read("/password", ""), "secret");
    EXPECT_NE(SettingsFileText().find("password=secret"), std::string::npos);
    wxString left, why;
    EXPECT_TRUE(PasswordKeyring::Lookup("demo", &left, &why)) << why;
    EXPECT_EQ(left, "") << "the keyring keeps no second copy";

    // On again with the password in the file: it moves into the keyring.
    SetPasswordInKeyring(true);
    EXPECT_EQ(SettingsFileText().find("secret"), std::string::npos);
    EXPECT_TRUE(PasswordKeyring::Lookup("demo", &left, &why)) << why;
    EXPECT_EQ(left, "secret");
}

// A keyring locked after the login, whose unlock no prompt can answer here: the next update is
// a failed login with the keyring's reason, and nothing goes to the site with an empty password.
TEST(KeyringTest, ALockedKeyringIsAFailedLoginWithItsReason) {
    FreshSettings();
    KeyringDaemon keyring;
    ASSERT_TRUE(keyring.Start());
    SetPasswordInKeyring(true);
    ModalAnswerer answers;
    MainFrame* frame = OpenFrame();
    answers.Expect(AnswerAccount("demo", "secret"));
    SendMenu(frame, MainFrame::ID_UPDATE_FAVORITE);
    ASSERT_TRUE(WaitFor([frame] { return frame->AreFavoritesLoaded(); }, 10000));
    const size_t logins = LoginRequests();

    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    ASSERT_NE(bus, nullptr);
    const char* collections[] = {"/org/freedesktop/secrets/aliases/default"};
    GVariant* locked =
        g_dbus_connection_call_sync(bus, "org.freedesktop.secrets", "/org/freedesktop/secrets",
                                    "org.freedesktop.Secret.Service", "Lock",
                                    g_variant_new("(@ao)", g_variant_new_objv(collections, 1)),
                                    nullptr, G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
    g_object_unref(bus);
    ASSERT_NE(locked, nullptr) << error->message;
    g_variant_unref(locked);

    LogCapture log;
    answers.Expect(AnswerOk());
    SendMenu(frame, MainFrame::ID_UPDATE_FAVORITE);
    ASSERT_TRUE(WaitFor([&answers] { return answers.GetShown().size() == 2; }, 70000));
    EXPECT_EQ(answers.GetShown()[1].message.rfind("Could not login.\n", 0), 0u)
        << answers.GetShown()[1].message;
    EXPECT_GT(answers.GetShown()[1].message.size(), strlen("Could not login.\n"));
    EXPECT_TRUE(log.Holds("login check: The keyring"));
    PumpEvents(300);
    EXPECT_EQ(LoginRequests(), logins);
    CloseFrame(frame);
}
