#pragma once

#include <gio/gio.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The test's own connection to the session bus that each test run gets from dbus-run-session
// (tests/support/gui-session): for the services a test plays (a tray's watcher, a notification
// service) and for calls into the program's own. Everything travels through the main loop,
// which the waiting helpers pump; nothing blocks it.
class TestBus {
public:
    // Answers a call: the reply's values as a tuple, or null for none.
    using Method = std::function<GVariant*(const std::string& method, GVariant* parameters)>;
    using Property = std::function<GVariant*(const std::string& name)>;

    TestBus();
    ~TestBus();
    TestBus(const TestBus&) = delete;
    TestBus& operator=(const TestBus&) = delete;

    GDBusConnection* Connection() const { return m_connection; }

    // Owns the name, waiting until the bus has given it; Disown gives it up.
    bool Own(const std::string& name);
    void Disown(const std::string& name);
    // Exports the one interface that the introspection XML describes at the path.
    bool Export(const std::string& path, const std::string& xml, const Method& method,
                const Property& property = {});
    void Unexport(const std::string& path);
    void Emit(const std::string& path, const std::string& interface, const std::string& signal,
              GVariant* parameters);

    // Calls and waits for the reply; null on failure (the reason in *error).
    GVariant* Call(const std::string& destination, const std::string& path,
                   const std::string& interface, const std::string& method, GVariant* parameters,
                   std::string* error = nullptr);
    GVariant* Get(const std::string& destination, const std::string& path,
                  const std::string& interface, const std::string& property);

    // Records the names of the signals of the interface that reach this connection.
    void Listen(const std::string& interface);
    const std::vector<std::string>& Signals() const { return m_signals; }

private:
    struct Exported;
    struct Owned {
        unsigned id = 0;
        bool acquired = false;
    };

    GDBusConnection* m_connection = nullptr;
    std::map<std::string, std::unique_ptr<Owned>> m_owned;
    std::map<std::string, std::unique_ptr<Exported>> m_exported;
    std::vector<unsigned> m_subscriptions;
    std::vector<std::string> m_signals;
};
