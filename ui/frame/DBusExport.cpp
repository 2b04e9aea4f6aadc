#include "ui/frame/DBusExport.h"

unsigned DBusExport::Register(GDBusConnection* connection, const char* path, const char* xml,
                              const GDBusInterfaceVTable* table, void* data, wxString* why) {
    GError* error = nullptr;
    unsigned registration = 0;
    if (GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, &error)) {
        registration = g_dbus_connection_register_object(connection, path, node->interfaces[0],
                                                         table, data, nullptr, &error);
        g_dbus_node_info_unref(node);
    }
    if (error) {
        *why = wxString::FromUTF8(error->message);
        g_error_free(error);
    }
    return registration;
}
