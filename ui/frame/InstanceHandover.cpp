#include "ui/frame/InstanceHandover.h"

#include "resources/GioPending.h"
#include "resources/Trace.h"
#include "ui/frame/DBusExport.h"

#include <gio/gio.h>
#include <wx/app.h>
#include <wx/log.h>

const char InstanceHandover::PATH[] = "/example/roduviriz/Roduviriz";
const char InstanceHandover::INTERFACE[] = "example.roduviriz.Roduviriz";
const char InstanceHandover::METHOD[] = "ShowMainWindow";

namespace {
const char XML[] = R"xml(<node><interface name="example.roduviriz.Roduviriz">
  <method name="ShowMainWindow"/>
</interface></node>)xml";
}

InstanceHandover::InstanceHandover(wxWindow* frame)
    : m_frame(frame), m_cancellable(g_cancellable_new()) {
    wxLogTrace(ROD_TRACE, "[%p]InstanceHandover::InstanceHandover(%p)", this, frame);
    GioPending::Started();
    g_bus_get(G_BUS_TYPE_SESSION, m_cancellable, &InstanceHandover::OnBus, this);
}

InstanceHandover::~InstanceHandover() {
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    if (m_connection) {
        if (m_registration)
            g_dbus_connection_unregister_object(m_connection, m_registration);
        g_object_unref(m_connection);
    }
}

void InstanceHandover::OnBus(GObject*, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_finish(result, &error);
    if (!connection) {
        // Without a session bus every start runs on its own.
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            wxLogTrace(ROD_TRACE, "InstanceHandover: no session bus: %s", error->message);
        g_error_free(error);
        return;
    }
    auto* self = static_cast<InstanceHandover*>(data);
    self->m_connection = connection;
    static const GDBusInterfaceVTable table = {
        &InstanceHandover::OnMethodCall, nullptr, nullptr, {}};
    wxString why;
    self->m_registration = DBusExport::Register(connection, PATH, XML, &table, self, &why);
    if (!self->m_registration)
        wxLogTrace(ROD_TRACE, "InstanceHandover: not exported: %s", why);
}

void InstanceHandover::OnMethodCall(GDBusConnection*, const char* sender, const char*, const char*,
                                    const char*, GVariant*, GDBusMethodInvocation* invocation,
                                    void* data) {
    auto* self = static_cast<InstanceHandover*>(data);
    wxLogTrace(ROD_TRACE, "[%p]InstanceHandover: a second start (%s)", self, sender);
    g_dbus_method_invocation_return_value(invocation, nullptr);
    wxWindow* frame = self->m_frame.get();
    if (!frame || frame->IsBeingDeleted() ||
        (wxTheApp && wxTheApp->IsScheduledForDestruction(frame)))
        return;
    wxCommandEvent show(wxEVT_MENU, wxID_OPEN);
    frame->GetEventHandler()->AddPendingEvent(show);
}
