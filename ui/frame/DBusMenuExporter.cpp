#include "ui/frame/DBusMenuExporter.h"

#include "resources/Trace.h"
#include "ui/frame/DBusExport.h"

#include <gio/gio.h>
#include <wx/app.h>
#include <wx/log.h>

const char DBusMenuExporter::PATH[] = "/MenuBar";

namespace {
const char XML[] = R"xml(<node><interface name="com.canonical.dbusmenu">
  <method name="GetLayout"><arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="as" direction="in"/><arg type="u" direction="out"/>
    <arg type="(ia{sv}av)" direction="out"/></method>
  <method name="GetGroupProperties"><arg type="ai" direction="in"/><arg type="as" direction="in"/>
    <arg type="a(ia{sv})" direction="out"/></method>
  <method name="GetProperty"><arg type="i" direction="in"/><arg type="s" direction="in"/>
    <arg type="v" direction="out"/></method>
  <method name="Event"><arg type="i" direction="in"/><arg type="s" direction="in"/>
    <arg type="v" direction="in"/><arg type="u" direction="in"/></method>
  <method name="EventGroup"><arg type="a(isvu)" direction="in"/>
    <arg type="ai" direction="out"/></method>
  <method name="AboutToShow"><arg type="i" direction="in"/><arg type="b" direction="out"/></method>
  <method name="AboutToShowGroup"><arg type="ai" direction="in"/><arg type="ai" direction="out"/>
    <arg type="ai" direction="out"/></method>
  <signal name="ItemsPropertiesUpdated"><arg type="a(ia{sv})"/><arg type="a(ias)"/></signal>
  <signal name="LayoutUpdated"><arg type="u"/><arg type="i"/></signal>
  <signal name="ItemActivationRequested"><arg type="i"/><arg type="u"/></signal>
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
</interface></node>)xml";

// Item ids are the items' places in the menu, counted from 1 (0 is the root).
wxMenuItem* ItemOf(const wxMenu& menu, int id) {
    if (id < 1 || static_cast<size_t>(id) > menu.GetMenuItemCount())
        return nullptr;
    return menu.FindItemByPosition(static_cast<size_t>(id - 1));
}

bool Wanted(const char* const* names, const char* name) {
    return !names || !*names || g_strv_contains(names, name);
}

void AddProperty(GVariantBuilder* builder, const char* const* names, const char* name,
                 GVariant* value) {
    if (Wanted(names, name))
        g_variant_builder_add(builder, "{sv}", name, value);
    else
        g_variant_unref(g_variant_ref_sink(value));
}
} // namespace

DBusMenuExporter::DBusMenuExporter(GDBusConnection* connection,
                                   const std::function<wxMenu*()>& factory, wxEvtHandler* target)
    : m_connection(G_DBUS_CONNECTION(g_object_ref(connection))), m_factory(factory),
      m_target(target) {
    static const GDBusInterfaceVTable table = {
        &DBusMenuExporter::OnMethodCall, &DBusMenuExporter::OnGetProperty, nullptr, {}};
    wxString why;
    m_registration = DBusExport::Register(m_connection, PATH, XML, &table, this, &why);
    if (!m_registration)
        wxLogTrace(ROD_TRACE, "DBusMenuExporter: not exported: %s", why);
}

DBusMenuExporter::~DBusMenuExporter() {
    if (m_registration)
        g_dbus_connection_unregister_object(m_connection, m_registration);
    g_object_unref(m_connection);
}

void DBusMenuExporter::Changed() {
    ++m_revision;
    if (m_registration)
        g_dbus_connection_emit_signal(m_connection, nullptr, PATH, "com.canonical.dbusmenu",
                                      "LayoutUpdated", g_variant_new("(ui)", m_revision, 0),
                                      nullptr);
}

wxString DBusMenuExporter::Label(const wxString& label) {
    wxString converted;
    for (size_t i = 0; i < label.length(); ++i) {
        const wxUniChar c = label[i];
        if (c == '_')
            converted += "__";
        else if (c == '&' && i + 1 < label.length() && label[i + 1] == '&')
            converted += label[++i];
        else if (c == '&')
            converted += '_';
        else
            converted += c;
    }
    return converted;
}

GVariant* DBusMenuExporter::Properties(const wxMenuItem* item, const char* const* names) {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    if (item->IsSeparator()) {
        AddProperty(&properties, names, "type", g_variant_new_string("separator"));
        return g_variant_builder_end(&properties);
    }
    AddProperty(&properties, names, "label",
                g_variant_new_string(Label(item->GetItemLabel()).utf8_str().data()));
    AddProperty(&properties, names, "enabled", g_variant_new_boolean(item->IsEnabled()));
    if (item->IsCheckable()) {
        AddProperty(&properties, names, "toggle-type",
                    g_variant_new_string(item->IsRadio() ? "radio" : "checkmark"));
        AddProperty(&properties, names, "toggle-state",
                    g_variant_new_int32(item->IsChecked() ? 1 : 0));
    }
    return g_variant_builder_end(&properties);
}

GVariant* DBusMenuExporter::Layout(const wxMenu& menu, int id, const char* const* names) const {
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    if (id != 0)
        return g_variant_new("(i@a{sv}@av)", id, Properties(ItemOf(menu, id), names),
                             g_variant_builder_end(&children));
    for (int child = 1; static_cast<size_t>(child) <= menu.GetMenuItemCount(); ++child)
        g_variant_builder_add(&children, "v", Layout(menu, child, names));
    GVariantBuilder root;
    g_variant_builder_init(&root, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&root, "{sv}", "children-display", g_variant_new_string("submenu"));
    return g_variant_new("(ia{sv}@av)", 0, &root, g_variant_builder_end(&children));
}

// As the toolkit's menu sends it: a check item's command carries its new state.
bool DBusMenuExporter::Click(int id) {
    std::unique_ptr<wxMenu> menu(m_factory());
    const wxMenuItem* item = ItemOf(*menu, id);
    if (!item || item->IsSeparator())
        return false;
    wxLogTrace(ROD_TRACE, "[%p]DBusMenuExporter::Click(%d)", this, item->GetId());
    if (!item->IsEnabled() || !m_target)
        return true;
    wxCommandEvent command(wxEVT_MENU, item->GetId());
    if (item->IsCheckable())
        command.SetInt(item->IsChecked() ? 0 : 1);
    m_target->AddPendingEvent(command);
    return true;
}

void DBusMenuExporter::OnMethodCall(GDBusConnection*, const char*, const char*, const char*,
                                    const char* method, GVariant* parameters,
                                    GDBusMethodInvocation* invocation, void* data) {
    auto* self = static_cast<DBusMenuExporter*>(data);
    std::unique_ptr<wxMenu> menu(self->m_factory());
    const int count = static_cast<int>(menu->GetMenuItemCount());
    const auto known = [count](int id) { return id >= 0 && id <= count; };
    if (g_strcmp0(method, "GetLayout") == 0) {
        gint32 parent = 0, depth = 0;
        const char** names = nullptr;
        g_variant_get(parameters, "(ii^a&s)", &parent, &depth, &names);
        if (known(parent))
            g_dbus_method_invocation_return_value(
                invocation, g_variant_new("(u@(ia{sv}av))", self->m_revision,
                                          self->Layout(*menu, parent, names)));
        else
            g_dbus_method_invocation_return_dbus_error(
                invocation, "com.canonical.dbusmenu.Error.InvalidId", "no such item");
        g_free(names);
    } else if (g_strcmp0(method, "GetGroupProperties") == 0) {
        GVariantIter* ids = nullptr;
        const char** names = nullptr;
        g_variant_get(parameters, "(ai^a&s)", &ids, &names);
        GVariantBuilder items;
        g_variant_builder_init(&items, G_VARIANT_TYPE("a(ia{sv})"));
        gint32 id = 0;
        // No ids asks for every item.
        const bool all = g_variant_iter_n_children(ids) == 0;
        for (int each = 1; all && each <= count; ++each)
            g_variant_builder_add(&items, "(i@a{sv})", each,
                                  Properties(ItemOf(*menu, each), names));
        while (g_variant_iter_next(ids, "i", &id))
            if (id >= 1 && id <= count)
                g_variant_builder_add(&items, "(i@a{sv})", id,
                                      Properties(ItemOf(*menu, id), names));
        g_variant_iter_free(ids);
        g_free(names);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(ia{sv}))", &items));
    } else if (g_strcmp0(method, "GetProperty") == 0) {
        gint32 id = 0;
        const char* name = nullptr;
        g_variant_get(parameters, "(i&s)", &id, &name);
        const char* names[] = {name, nullptr};
        GVariant* properties = id >= 1 && id <= count
                                   ? g_variant_ref_sink(Properties(ItemOf(*menu, id), names))
                                   : nullptr;
        GVariant* value = properties ? g_variant_lookup_value(properties, name, nullptr) : nullptr;
        if (value)
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
        else
            g_dbus_method_invocation_return_dbus_error(
                invocation, "com.canonical.dbusmenu.Error.InvalidProperty", "no such property");
        if (value)
            g_variant_unref(value);
        if (properties)
            g_variant_unref(properties);
    } else if (g_strcmp0(method, "Event") == 0) {
        gint32 id = 0;
        const char* event = nullptr;
        g_variant_get(parameters, "(i&svu)", &id, &event, nullptr, nullptr);
        if (g_strcmp0(event, "clicked") == 0 && !self->Click(id))
            g_dbus_method_invocation_return_dbus_error(
                invocation, "com.canonical.dbusmenu.Error.InvalidId", "no such item");
        else
            g_dbus_method_invocation_return_value(invocation, nullptr);
    } else if (g_strcmp0(method, "EventGroup") == 0) {
        GVariantIter* events = nullptr;
        g_variant_get(parameters, "(a(isvu))", &events);
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        gint32 id = 0;
        const char* event = nullptr;
        while (g_variant_iter_next(events, "(i&svu)", &id, &event, nullptr, nullptr))
            if (!known(id) || (g_strcmp0(event, "clicked") == 0 && !self->Click(id)))
                g_variant_builder_add(&errors, "i", id);
        g_variant_iter_free(events);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ai)", &errors));
    } else if (g_strcmp0(method, "AboutToShow") == 0) {
        // The layout is made afresh for every question: it never needs an update first.
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
    } else if (g_strcmp0(method, "AboutToShowGroup") == 0) {
        g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                          g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0)));
    }
}

GVariant* DBusMenuExporter::OnGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                          const char* property, GError**, void*) {
    if (g_strcmp0(property, "Version") == 0)
        return g_variant_new_uint32(3);
    if (g_strcmp0(property, "TextDirection") == 0)
        return g_variant_new_string(
            wxTheApp && wxTheApp->GetLayoutDirection() == wxLayout_RightToLeft ? "rtl" : "ltr");
    if (g_strcmp0(property, "Status") == 0)
        return g_variant_new_string("normal");
    return g_variant_new_strv(nullptr, 0);
}
