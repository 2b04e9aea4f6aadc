#include "ui/popup/DesktopNotifications.h"

#include "resources/GioPending.h"
#include "resources/Trace.h"
#include "resources/Util.h"

#include <gio/gio.h>
#include <wx/app.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <memory>
#include <vector>

namespace {
const char SERVICE[] = "org.freedesktop.Notifications";
const char PATH[] = "/org/freedesktop/Notifications";
// The desktop entry's name, so that the desktop can group and configure our messages.
const char DESKTOP_ENTRY[] = "roduviriz";

// A Notify call on its way: who waits for the id.
struct PendingNotify {
    std::function<void(unsigned)> sent;
};

GVariant* Utf8(const wxString& text) {
    return g_variant_new_string(text.utf8_str().data());
}
} // namespace

DesktopNotifications::DesktopNotifications(const Listener& listener)
    : m_listener(listener), m_cancellable(g_cancellable_new()) {
    wxLogTrace(ROD_TRACE, "[%p]DesktopNotifications::DesktopNotifications()", this);
    GioPending::Started();
    g_bus_get(G_BUS_TYPE_SESSION, m_cancellable, &DesktopNotifications::OnBus, this);
}

DesktopNotifications::~DesktopNotifications() {
    wxLogTrace(ROD_TRACE, "[%p]DesktopNotifications::~DesktopNotifications()", this);
    // Replies still on their way come back cancelled and touch nothing of ours.
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    if (m_watch)
        g_bus_unwatch_name(m_watch);
    if (m_connection) {
        if (m_subscription)
            g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
        g_object_unref(m_connection);
    }
}

void DesktopNotifications::OnBus(GObject*, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_finish(result, &error);
    if (!connection) {
        // Without a session bus there is no service: the own pop-ups stay.
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            wxLogTrace(ROD_TRACE, "DesktopNotifications: no session bus: %s", error->message);
        g_error_free(error);
        return;
    }
    auto* self = static_cast<DesktopNotifications*>(data);
    self->m_connection = connection;
    self->m_subscription = g_dbus_connection_signal_subscribe(
        connection, SERVICE, SERVICE, nullptr, PATH, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &DesktopNotifications::OnSignal, self, nullptr);
    self->m_watch = g_bus_watch_name_on_connection(
        connection, SERVICE, G_BUS_NAME_WATCHER_FLAGS_AUTO_START, &DesktopNotifications::OnAppeared,
        &DesktopNotifications::OnVanished, self, nullptr);
}

void DesktopNotifications::OnAppeared(GDBusConnection*, const char*, const char* owner,
                                      void* data) {
    wxLogTrace(ROD_TRACE, "DesktopNotifications: the service is %s", owner);
    auto* self = static_cast<DesktopNotifications*>(data);
    self->m_available = true;
    if (self->m_listener.availability)
        self->m_listener.availability(true);
}

void DesktopNotifications::OnVanished(GDBusConnection*, const char*, void* data) {
    auto* self = static_cast<DesktopNotifications*>(data);
    const bool was = self->m_available;
    self->m_available = false;
    if (was && self->m_listener.availability)
        self->m_listener.availability(false);
}

void DesktopNotifications::OnSignal(GDBusConnection*, const char*, const char*, const char*,
                                    const char* signal, GVariant* parameters, void* data) {
    auto* self = static_cast<DesktopNotifications*>(data);
    if (g_strcmp0(signal, "ActionInvoked") == 0 &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
        guint32 id = 0;
        const char* action = nullptr;
        g_variant_get(parameters, "(u&s)", &id, &action);
        if (g_strcmp0(action, "default") == 0 && self->m_listener.activated)
            self->m_listener.activated(id);
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
               g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
        guint32 id = 0, reason = 0;
        g_variant_get(parameters, "(uu)", &id, &reason);
        if (self->m_listener.closed)
            self->m_listener.closed(id);
    }
}

void DesktopNotifications::Notify(unsigned replaces, const Message& message,
                                  const std::function<void(unsigned)>& sent) {
    if (!m_connection || !m_available) {
        if (sent)
            sent(0);
        return;
    }
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", _("Open the preview").utf8_str().data());
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(DESKTOP_ENTRY));
    g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string("presence.online"));
    if (message.image.IsOk())
        g_variant_builder_add(&hints, "{sv}", "image-data", ImageData(message.image));
    const wxString appName = wxTheApp ? wxTheApp->GetAppName() : wxString("Roduviriz");
    const wxString icon = Util::GetInstalledIconFile();
    GVariant* parameters =
        g_variant_new("(@su@s@s@sasa{sv}i)", Utf8(appName), replaces,
                      Utf8(icon.empty() ? wxString() : "file://" + icon), Utf8(message.summary),
                      Utf8(Escaped(message.body)), &actions, &hints, message.timeoutMs);
    GioPending::Started();
    g_dbus_connection_call(m_connection, SERVICE, PATH, SERVICE, "Notify", parameters,
                           G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, m_cancellable,
                           &DesktopNotifications::OnNotified, new PendingNotify{sent});
}

void DesktopNotifications::OnNotified(GObject* source, GAsyncResult* result, void* data) {
    GioPending::Ended();
    std::unique_ptr<PendingNotify> pending(static_cast<PendingNotify*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        wxLogTrace(ROD_TRACE, "DesktopNotifications: Notify failed: %s", error->message);
        g_error_free(error);
        // Cancelled: the object that asked is gone.
        if (!cancelled && pending->sent)
            pending->sent(0);
        return;
    }
    guint32 id = 0;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    if (pending->sent)
        pending->sent(id);
}

// Without a reply: a message closed while the program ends must still be closed.
void DesktopNotifications::Close(unsigned id) {
    if (!m_connection || !m_available || !id)
        return;
    g_dbus_connection_call(m_connection, SERVICE, PATH, SERVICE, "CloseNotification",
                           g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                           nullptr, nullptr);
}

// (iiibiiay): width, height, bytes per row, alpha, bits per sample, samples per pixel, pixels.
GVariant* DesktopNotifications::ImageData(const wxImage& image) {
    const int width = image.GetWidth(), height = image.GetHeight();
    const bool alpha = image.HasAlpha();
    const int channels = alpha ? 4 : 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
    const unsigned char* rgb = image.GetData();
    const unsigned char* a = alpha ? image.GetAlpha() : nullptr;
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        for (int c = 0; c < 3; ++c)
            pixels[i * channels + c] = rgb[i * 3 + c];
        if (a)
            pixels[i * channels + 3] = a[i];
    }
    GVariant* bytes =
        g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixels.data(), pixels.size(), 1);
    return g_variant_new("(iiibii@ay)", width, height, width * channels, alpha, 8, channels, bytes);
}

// Some services read markup in the body whether or not they say so.
wxString DesktopNotifications::Escaped(const wxString& text) {
    wxString escaped;
    for (const wxUniChar c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}
