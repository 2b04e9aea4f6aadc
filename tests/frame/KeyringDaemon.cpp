#include "tests/frame/KeyringDaemon.h"

#include "tests/support/TestEnvironment.h"
#include "ui/frame/PasswordKeyring.h"

#include <glib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

KeyringDaemon::~KeyringDaemon() {
    Stop();
}

bool KeyringDaemon::Start() {
    // A folder of the test's own for the daemon's control socket: the user's runtime folder is
    // shared with every other session of the user.
    const std::string runtime = std::string(std::getenv("HOME")) + "/keyring-runtime";
    mkdir(runtime.c_str(), 0700);
    gchar** environment = g_get_environ();
    environment = g_environ_setenv(environment, "XDG_RUNTIME_DIR", runtime.c_str(), TRUE);
    const gchar* argv[] = {"gnome-keyring-daemon", "--foreground", "--unlock",
                           "--components=secrets", nullptr};
    GPid pid = 0;
    gint input = -1;
    GError* error = nullptr;
    const bool started = g_spawn_async_with_pipes(
        nullptr, const_cast<gchar**>(argv), environment,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr,
        &pid, &input, nullptr, nullptr, &error);
    g_strfreev(environment);
    if (!started) {
        g_error_free(error);
        return false;
    }
    m_pid = pid;
    const char password[] = "login keyring password";
    const bool written = write(input, password, sizeof password - 1) == sizeof password - 1;
    close(input);
    wxString why;
    return written && WaitFor([&why] { return PasswordKeyring::IsAvailable(&why); }, 10000);
}

void KeyringDaemon::Stop() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
    wxString why;
    WaitFor([&why] { return !PasswordKeyring::IsAvailable(&why); }, 10000);
}
