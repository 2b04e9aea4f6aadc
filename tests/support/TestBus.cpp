#include "tests/support/TestBus.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

struct TestBus::Exported {
    Method method;
    Property property;
    unsigned registration = 0;
};

namespace {
struct Reply {
    bool done = false;
    GVariant* value = nullptr;
    std::string error;
};
} // namespace

TestBus::TestBus() {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (address)
        m_connection = g_dbus_connection_new_for_address_sync(
            address,
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
    g_free(address);
    EXPECT_NE(m_connection, nullptr) << "no session bus: " << (error ? error->message : "");
    g_clear_error(&error);
}

TestBus::~TestBus() {
    for (const auto& [name, owned] : m_owned)
        g_bus_unown_name(owned->id);
    for (unsigned id : m_subscriptions)
        g_dbus_connection_signal_unsubscribe(m_connection, id);
    for (const auto& [path, exported] : m_exported)
        g_dbus_connection_unregister_object(m_connection, exported->registration);
    if (m_connection) {
        g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
        g_object_unref(m_connection);
    }
}

bool TestBus::Own(const std::string& name) {
    auto owned = std::make_unique<Owned>();
    Owned* state = owned.get();
    state->id = g_bus_own_name_on_connection(
        m_connection, name.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) {
            static_cast<Owned*>(data)->acquired = true;
        },
        nullptr, state, nullptr);
    m_owned[name] = std::move(owned);
    return WaitFor([state] { return state->acquired; });
}

void TestBus::Disown(const std::string& name) {
    const auto owned = m_owned.find(name);
    if (owned == m_owned.end())
        return;
    g_bus_unown_name(owned->second->id);
    m_owned.erase(owned);
}

bool TestBus::Export(const std::string& path, const std::string& xml, const Method& method,
                     const Property& property) {
    static const GDBusInterfaceVTable table = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
            GVariant* reply = static_cast<Exported*>(data)->method(name, parameters);
            g_dbus_method_invocation_return_value(invocation, reply);
        },
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
           GError** error, gpointer data) -> GVariant* {
            const auto* exported = static_cast<Exported*>(data);
            GVariant* value = exported->property ? exported->property(name) : nullptr;
            if (!value)
                g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "%s", name);
            return value;
        },
        nullptr,
        {}};
    GError* error = nullptr;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml.c_str(), &error);
    EXPECT_NE(node, nullptr) << (error ? error->message : "");
    if (!node) {
        g_clear_error(&error);
        return false;
    }
    auto exported = std::make_unique<Exported>();
    exported->method = method;
    exported->property = property;
    exported->registration = g_dbus_connection_register_object(
        m_connection, path.c_str(), node->interfaces[0], &table, exported.get(), nullptr, &error);
    g_dbus_node_info_unref(node);
    EXPECT_NE(exported->registration, 0u) << (error ? error->message : "");
    g_clear_error(&error);
    const bool ok = exported->registration != 0;
    if (ok)
        m_exported[path] = std::move(exported);
    return ok;
}

void TestBus::Unexport(const std::string& path) {
    const auto exported = m_exported.find(path);
    if (exported == m_exported.end())
        return;
    g_dbus_connection_unregister_object(m_connection, exported->second->registration);
    m_exported.erase(exported);
}

void TestBus::Emit(const std::string& path, const std::string& interface, const std::string& signal,
                   GVariant* parameters) {
    g_dbus_connection_emit_signal(m_connection, nullptr, path.c_str(), interface.c_str(),
                                  signal.c_str(), parameters, nullptr);
}

GVariant* TestBus::Call(const std::string& destination, const std::string& path,
                        const std::string& interface, const std::string& method,
                        GVariant* parameters, std::string* error) {
    // Shared with the callback, which may come after a time-out.
    auto reply = std::make_shared<Reply>();
    g_dbus_connection_call(
        m_connection, destination.c_str(), path.c_str(), interface.c_str(), method.c_str(),
        parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::shared_ptr<Reply>> reply(
                static_cast<std::shared_ptr<Reply>*>(data));
            GError* failure = nullptr;
            (*reply)->value =
                g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &failure);
            if (failure)
                (*reply)->error = failure->message;
            g_clear_error(&failure);
            (*reply)->done = true;
        },
        new std::shared_ptr<Reply>(reply));
    WaitFor([&] { return reply->done; }, 6000);
    if (error)
        *error = reply->done ? reply->error : "no reply";
    return reply->done ? reply->value : nullptr;
}

// The value itself, out of its variant.
GVariant* TestBus::Get(const std::string& destination, const std::string& path,
                       const std::string& interface, const std::string& property) {
    GVariant* reply = Call(destination, path, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", interface.c_str(), property.c_str()));
    if (!reply)
        return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

void TestBus::Listen(const std::string& interface) {
    m_subscriptions.push_back(g_dbus_connection_signal_subscribe(
        m_connection, nullptr, interface.c_str(), nullptr, nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
           GVariant*,
           gpointer data) { static_cast<std::vector<std::string>*>(data)->push_back(signal); },
        &m_signals, nullptr));
}
