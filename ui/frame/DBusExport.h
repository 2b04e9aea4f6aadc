#pragma once

#include <gio/gio.h>
#include <wx/string.h>

// Exports one object on a D-Bus connection from its introspection XML (one interface).
class DBusExport {
public:
    // The registration (for g_dbus_connection_unregister_object), or 0 with *why set.
    static unsigned Register(GDBusConnection* connection, const char* path, const char* xml,
                             const GDBusInterfaceVTable* table, void* data, wxString* why);
};
