#pragma once

#include <wx/event.h>
#include <wx/menu.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GError GError;
typedef struct _GVariant GVariant;

// Exports a flat menu over "com.canonical.dbusmenu", for the host that shows a
// StatusNotifierItem: the items as the factory makes them each time they are asked for (texts
// with their mnemonics, check marks, enabled), and a click on one as its menu command, posted
// to the target as the toolkit's own menu would send it. GUI thread only.
class DBusMenuExporter {
public:
    static const char PATH[];

    // Exported on the connection from now until the exporter goes; the target is not owned.
    DBusMenuExporter(GDBusConnection* connection, const std::function<wxMenu*()>& factory,
                     wxEvtHandler* target);
    ~DBusMenuExporter();
    DBusMenuExporter(const DBusMenuExporter&) = delete;
    DBusMenuExporter& operator=(const DBusMenuExporter&) = delete;

    bool IsExported() const { return m_registration != 0; }
    // The items changed: the host is told to ask again.
    void Changed();

    // A label of the toolkit's ("P&ause pop-ups") as the protocol writes it ("P_ause pop-ups").
    static wxString Label(const wxString& label);

private:
    static void OnMethodCall(GDBusConnection* connection, const char* sender, const char* path,
                             const char* interface, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, void* self);
    static GVariant* OnGetProperty(GDBusConnection* connection, const char* sender,
                                   const char* path, const char* interface, const char* property,
                                   GError** error, void* self);

    // The item's properties (all of them when names is null or empty).
    static GVariant* Properties(const wxMenuItem* item, const char* const* names);
    // (ia{sv}av) of the root (id 0) or of one item.
    GVariant* Layout(const wxMenu& menu, int id, const char* const* names) const;
    // Sends the item's command; false for no such item.
    bool Click(int id);

    GDBusConnection* m_connection;
    std::function<wxMenu*()> m_factory;
    wxWeakRef<wxEvtHandler> m_target;
    unsigned m_registration = 0;
    unsigned m_revision = 1;
};
