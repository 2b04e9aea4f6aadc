#pragma once

#include <string>

// The desktop's keyring for a test: a GNOME Keyring daemon (its Secret Service only) on the
// test's private session bus, under the test's home, whose login keyring the password given
// on its standard input unlocks.
class KeyringDaemon {
public:
    KeyringDaemon() = default;
    // Stops the daemon if it runs.
    ~KeyringDaemon();
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;

    // Starts it and waits until it owns its name on the bus.
    bool Start();
    // Ends it and waits until the name has left the bus.
    void Stop();

private:
    int m_pid = 0;
};
