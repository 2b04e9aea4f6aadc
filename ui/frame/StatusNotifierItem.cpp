#include "ui/frame/StatusNotifierItem.h"

#include "resources/GioPending.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/frame/DBusExport.h"
#include "ui/frame/DBusMenuExporter.h"

#include <gio/gio.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <vector>

const char StatusNotifierItem::WATCHER[] = "org.kde.StatusNotifierWatcher";
const char StatusNotifierItem::PATH[] = "/StatusNotifierItem";

namespace {
const char WATCHER_PATH[] = "/StatusNotifierWatcher";
const char INTERFACE[] = "org.kde.StatusNotifierItem";
const char XML[] = R"xml(<node><interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconThemePath" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <method name="Activate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <signal name="NewTitle"/><signal name="NewIcon"/><signal name="NewAttentionIcon"/>
  <signal name="NewOverlayIcon"/><signal name="NewToolTip"/>
  <signal name="NewStatus"><arg type="s"/></signal>
</interface></node>)xml";
const int PIXMAP_SIZES[] = {16, 22, 32, 48};

GVariant* NoPixmaps() {
    return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

GVariant* Utf8(const wxString& text) {
    return g_variant_new_string(text.utf8_str().data());
}

// The theme folder of the installed icon (PREFIX/share/icons), or empty.
wxString IconThemePath() {
    const wxString file = Util::GetInstalledIconFile();
    if (file.empty())
        return wxString();
    wxFileName folder(file);
    for (int up = 0; up < 3; ++up)
        folder.RemoveLastDir();
    return folder.GetPath();
}
} // namespace

StatusNotifierItem::StatusNotifierItem(const wxString& title, const wxIcon& icon,
                                       const wxString& toolTip, const Handlers& handlers)
    : m_title(title), m_icon(icon), m_toolTip(toolTip), m_handlers(handlers),
      m_cancellable(g_cancellable_new()) {
    wxLogTrace(ROD_TRACE, "[%p]StatusNotifierItem::StatusNotifierItem(%s)", this, title);
    GioPending::Started();
    g_bus_get(G_BUS_TYPE_SESSION, m_cancellable, &StatusNotifierItem::OnBus, this);
}

StatusNotifierItem::~StatusNotifierItem() {
    wxLogTrace(ROD_TRACE, "[%p]StatusNotifierItem::~StatusNotifierItem()", this);
    // Replies still on their way come back cancelled and touch nothing of ours.
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    if (m_watch)
        g_bus_unwatch_name(m_watch);
    m_menu.reset();
    if (m_connection) {
        // The watcher drops the item when the object goes with its bus name; while the
        // program runs on, unexporting it is what takes the icon out of the tray.
        if (m_registration)
            g_dbus_connection_unregister_object(m_connection, m_registration);
        if (m_hostSignal)
            g_dbus_connection_signal_unsubscribe(m_connection, m_hostSignal);
        g_object_unref(m_connection);
    }
}

void StatusNotifierItem::OnBus(GObject*, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_finish(result, &error);
    if (!connection) {
        // Without a session bus the toolkit's tray icon is all there is.
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            wxLogTrace(ROD_TRACE, "StatusNotifierItem: no session bus: %s", error->message);
        g_error_free(error);
        return;
    }
    auto* self = static_cast<StatusNotifierItem*>(data);
    self->m_connection = connection;
    self->Export();
}

void StatusNotifierItem::Export() {
    static const GDBusInterfaceVTable table = {
        &StatusNotifierItem::OnMethodCall, &StatusNotifierItem::OnGetProperty, nullptr, {}};
    wxString why;
    m_registration = DBusExport::Register(m_connection, PATH, XML, &table, this, &why);
    if (!m_registration) {
        wxLogTrace(ROD_TRACE, "StatusNotifierItem: not exported: %s", why);
        return;
    }
    m_menu =
        std::make_unique<DBusMenuExporter>(m_connection, m_handlers.menu, m_handlers.menuTarget);
    m_hostSignal = g_dbus_connection_signal_subscribe(
        m_connection, WATCHER, WATCHER, "StatusNotifierHostRegistered", WATCHER_PATH, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &StatusNotifierItem::OnHostRegistered, this, nullptr);
    m_watch = g_bus_watch_name_on_connection(m_connection, WATCHER, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                             &StatusNotifierItem::OnWatcherAppeared,
                                             &StatusNotifierItem::OnWatcherVanished, this, nullptr);
}

// Each time a watcher appears, a new one after a panel restart too.
void StatusNotifierItem::OnWatcherAppeared(GDBusConnection* connection, const char*,
                                           const char* owner, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    wxLogTrace(ROD_TRACE, "[%p]StatusNotifierItem: the watcher is %s", self, owner);
    self->m_watcherPresent = true;
    GioPending::Started();
    g_dbus_connection_call(connection, WATCHER, WATCHER_PATH, WATCHER, "RegisterStatusNotifierItem",
                           g_variant_new("(s)", g_dbus_connection_get_unique_name(connection)),
                           nullptr, G_DBUS_CALL_FLAGS_NONE, -1, self->m_cancellable,
                           &StatusNotifierItem::OnRegistered, self);
}

void StatusNotifierItem::OnWatcherVanished(GDBusConnection*, const char*, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    self->m_watcherPresent = false;
    self->SetInTray(false, false);
}

void StatusNotifierItem::OnRegistered(GObject* source, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        if (!cancelled) {
            wxLogTrace(ROD_TRACE, "StatusNotifierItem: not registered: %s", error->message);
            static_cast<StatusNotifierItem*>(data)->SetInTray(false, false);
        }
        g_error_free(error);
        return;
    }
    g_variant_unref(reply);
    auto* self = static_cast<StatusNotifierItem*>(data);
    // A reply that comes after the watcher went is no registration any more.
    if (!self->m_watcherPresent)
        return;
    // Registered; shown only where a host (a panel) shows the watcher's items.
    GioPending::Started();
    g_dbus_connection_call(
        self->m_connection, WATCHER, WATCHER_PATH, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", WATCHER, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, -1, self->m_cancellable, &StatusNotifierItem::OnHostProperty, self);
}

void StatusNotifierItem::OnHostProperty(GObject* source, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        g_error_free(error);
        return;
    }
    // A watcher that does not say is taken to be a host as well, as most are.
    bool host = true;
    if (reply) {
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN))
            host = g_variant_get_boolean(value);
        g_variant_unref(value);
        g_variant_unref(reply);
    } else {
        g_error_free(error);
    }
    auto* self = static_cast<StatusNotifierItem*>(data);
    if (self->m_watcherPresent)
        self->SetInTray(true, host);
}

void StatusNotifierItem::OnHostRegistered(GDBusConnection*, const char*, const char*, const char*,
                                          const char*, GVariant*, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    if (self->m_registered)
        self->SetInTray(true, true);
}

void StatusNotifierItem::SetInTray(bool registered, bool hostRegistered) {
    const bool was = IsInTray();
    m_registered = registered;
    m_hostRegistered = hostRegistered;
    wxLogTrace(ROD_TRACE, "[%p]StatusNotifierItem::SetInTray(%d, %d)", this, registered,
               hostRegistered);
    if (IsInTray() != was && m_handlers.trayChanged)
        m_handlers.trayChanged(IsInTray());
}

void StatusNotifierItem::SetToolTip(const wxString& toolTip) {
    m_toolTip = toolTip;
    if (m_registration)
        g_dbus_connection_emit_signal(m_connection, nullptr, PATH, INTERFACE, "NewToolTip", nullptr,
                                      nullptr);
}

void StatusNotifierItem::MenuChanged() {
    if (m_menu)
        m_menu->Changed();
}

void StatusNotifierItem::OnMethodCall(GDBusConnection*, const char*, const char*, const char*,
                                      const char* method, GVariant*,
                                      GDBusMethodInvocation* invocation, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (g_strcmp0(method, "Activate") == 0 && self->m_handlers.activate)
        self->m_handlers.activate();
}

GVariant* StatusNotifierItem::OnGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                            const char* property, GError**, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    const wxString name(property);
    if (name == "Category")
        return g_variant_new_string("ApplicationStatus");
    if (name == "Id")
        return g_variant_new_string("roduviriz");
    if (name == "Title")
        return Utf8(self->m_title);
    if (name == "Status")
        return g_variant_new_string("Active");
    if (name == "WindowId")
        return g_variant_new_int32(0);
    if (name == "IconName")
        return g_variant_new_string(Util::GetInstalledIconFile().empty() ? "" : "roduviriz");
    if (name == "IconThemePath")
        return Utf8(IconThemePath());
    if (name == "IconPixmap")
        return self->Pixmaps();
    if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
        return NoPixmaps();
    if (name == "ToolTip")
        return g_variant_new("(s@a(iiay)@s@s)", "", NoPixmaps(), Utf8(self->m_toolTip),
                             g_variant_new_string(""));
    if (name == "ItemIsMenu")
        return g_variant_new_boolean(FALSE);
    if (name == "Menu")
        return g_variant_new_object_path(DBusMenuExporter::PATH);
    return g_variant_new_string("");
}

GVariant* StatusNotifierItem::Pixmaps() const {
    GVariantBuilder pixmaps;
    g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
    wxImage image = m_icon.IsOk() ? wxBitmap(m_icon).ConvertToImage() : wxImage();
    if (image.IsOk() && !image.HasAlpha())
        image.InitAlpha();
    for (const int size : PIXMAP_SIZES) {
        if (!image.IsOk())
            break;
        const wxImage scaled = image.Scale(size, size, wxIMAGE_QUALITY_HIGH);
        std::vector<unsigned char> argb;
        argb.reserve(static_cast<size_t>(size) * size * 4);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                argb.push_back(scaled.HasAlpha() ? scaled.GetAlpha(x, y) : 255);
                argb.push_back(scaled.GetRed(x, y));
                argb.push_back(scaled.GetGreen(x, y));
                argb.push_back(scaled.GetBlue(x, y));
            }
        g_variant_builder_add(
            &pixmaps, "(ii@ay)", size, size,
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1));
    }
    return g_variant_builder_end(&pixmaps);
}
