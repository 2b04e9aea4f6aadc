// A notification service that the test's private bus starts on demand, as a desktop's daemon is
// started: it owns org.freedesktop.Notifications and appends each message's summary, one line
// each, to the file that its command line names.
//   notification_service RECORD_FILE
#include <gio/gio.h>

#include <cstdio>

namespace {

const char SERVICE[] = "org.freedesktop.Notifications";
const char XML[] = R"xml(<node><interface name="org.freedesktop.Notifications">
  <method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/></method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
  <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
</interface></node>)xml";

const char* g_record = nullptr;
guint32 g_lastId = 0;

void OnCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
            GVariant* parameters, GDBusMethodInvocation* invocation, void*) {
    if (g_strcmp0(method, "Notify") == 0) {
        const char* summary = nullptr;
        g_variant_get_child(parameters, 3, "&s", &summary);
        if (FILE* record = std::fopen(g_record, "a")) {
            std::fprintf(record, "%s\n", summary);
            std::fclose(record);
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", ++g_lastId));
    } else if (g_strcmp0(method, "GetCapabilities") == 0) {
        const char* none[] = {nullptr};
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", none));
    } else {
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: notification_service RECORD_FILE\n");
        return 2;
    }
    g_record = argv[1];
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(XML, nullptr);
    if (!bus || !node)
        return 1;
    static const GDBusInterfaceVTable table = {&OnCall, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus, "/org/freedesktop/Notifications", node->interfaces[0],
                                      &table, nullptr, nullptr, nullptr);
    GMainLoop* loop = g_main_loop_new(nullptr, false);
    // Ends when the bus goes, or when the name is lost.
    g_bus_own_name_on_connection(
        bus, SERVICE, G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
        [](GDBusConnection*, const char*, void* data) {
            g_main_loop_quit(static_cast<GMainLoop*>(data));
        },
        loop, nullptr);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    g_dbus_node_info_unref(node);
    g_object_unref(bus);
    return 0;
}
