#include "host/SingleInstance.h"

#include <gio/gio.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

const char SingleInstance::PATH[] = "/example/roduviriz/Roduviriz";
const char SingleInstance::INTERFACE[] = "example.roduviriz.Roduviriz";
const char SingleInstance::METHOD[] = "ShowMainWindow";

namespace {
// The application's id, as in its AppStream metadata.
const char NAME_PREFIX[] = "example.roduviriz.Roduviriz.display_";
// RequestName's flag and answers, as the D-Bus standard numbers them.
const guint32 DO_NOT_QUEUE = 4;
const guint32 PRIMARY_OWNER = 1;
const guint32 ALREADY_OWNER = 4;
// How long an owner that is starting (its window not made yet) or ending (its window gone) is
// waited for; one that is ending gives up its name within 2 s.
const auto OWNER_WAIT = std::chrono::seconds(5);
const int CALL_TIMEOUT_MS = 2000;

bool IsError(const GError* error, GDBusError code) {
    return g_error_matches(error, G_DBUS_ERROR, code);
}
} // namespace

SingleInstance::~SingleInstance() {
    if (!m_connection)
        return;
    // The answer to a second start's last ShowMainWindow may still wait in the connection's
    // queue: the process ends right after this, and without it that start would hear NoReply.
    g_dbus_connection_flush_sync(m_connection, nullptr, nullptr);
    g_object_unref(m_connection);
}

// ":0.0" and ":0" are one display; anything but letters and digits becomes "_".
std::string SingleInstance::BusName() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    std::string display = x11 && *x11 ? x11 : (wayland && *wayland ? wayland : "");
    const size_t colon = display.rfind(':');
    if (x11 && *x11 && colon != std::string::npos)
        display = display.substr(0, display.find('.', colon));
    std::string name = NAME_PREFIX;
    for (const char c : display)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

SingleInstance::Outcome SingleInstance::Claim() {
    GError* error = nullptr;
    m_connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!m_connection) {
        g_clear_error(&error);
        return Outcome::FIRST;
    }
    const std::string name = BusName();
    const auto deadline = std::chrono::steady_clock::now() + OWNER_WAIT;
    while (true) {
        GVariant* reply = g_dbus_connection_call_sync(
            m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", name.c_str(), DO_NOT_QUEUE), G_VARIANT_TYPE("(u)"),
            G_DBUS_CALL_FLAGS_NONE, CALL_TIMEOUT_MS, nullptr, &error);
        if (!reply) {
            // A bus that refuses the name (a policy of its own) leaves every start on its own.
            g_clear_error(&error);
            return Outcome::FIRST;
        }
        guint32 answer = 0;
        g_variant_get(reply, "(u)", &answer);
        g_variant_unref(reply);
        if (answer == PRIMARY_OWNER || answer == ALREADY_OWNER)
            return Outcome::FIRST;

        reply = g_dbus_connection_call_sync(m_connection, name.c_str(), PATH, INTERFACE, METHOD,
                                            nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
                                            CALL_TIMEOUT_MS, nullptr, &error);
        if (reply) {
            g_variant_unref(reply);
            return Outcome::HANDED_OVER;
        }
        // The owner left in between, or is ending and left without answering: the name is free
        // to take, or will be within a moment.
        const bool ownerLeft = IsError(error, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                               IsError(error, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
                               IsError(error, G_DBUS_ERROR_NO_REPLY);
        // The owner has no main window yet, or no more.
        const bool noWindow = IsError(error, G_DBUS_ERROR_UNKNOWN_OBJECT) ||
                              IsError(error, G_DBUS_ERROR_UNKNOWN_METHOD) ||
                              IsError(error, G_DBUS_ERROR_UNKNOWN_INTERFACE);
        g_clear_error(&error);
        if ((!ownerLeft && !noWindow) || std::chrono::steady_clock::now() > deadline)
            return Outcome::NO_ANSWER;
        if (noWindow)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}
