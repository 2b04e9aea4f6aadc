#include "ui/frame/SleepWatch.h"

#include "core/LinkState.h"
#include "resources/GioPending.h"
#include "resources/Trace.h"

#include <wx/log.h>

SleepWatch::SleepWatch(std::function<void()> onSleep, std::function<void()> onWake)
    : m_onSleep(std::move(onSleep)), m_onWake(std::move(onWake)),
      m_cancellable(g_cancellable_new()) {
    wxLogTrace(ROD_TRACE, "[%p]SleepWatch::SleepWatch()", this);
    GioPending::Started();
    g_bus_get(G_BUS_TYPE_SYSTEM, m_cancellable, &SleepWatch::OnBus, this);
}

SleepWatch::~SleepWatch() {
    g_cancellable_cancel(m_cancellable);
    g_object_unref(m_cancellable);
    if (m_connection) {
        g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
        g_object_unref(m_connection);
    }
    // Nobody would say when the machine wakes.
    LinkState::SetAsleep(false);
}

void SleepWatch::OnBus(GObject*, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_finish(result, &error);
    if (!connection) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            wxLogTrace(ROD_TRACE, "SleepWatch: no system bus: %s", error->message);
        g_error_free(error);
        return;
    }
    // The shared connection would otherwise end the program when the system bus goes.
    g_dbus_connection_set_exit_on_close(connection, FALSE);
    auto* self = static_cast<SleepWatch*>(data);
    self->m_connection = connection;
    self->m_subscription = g_dbus_connection_signal_subscribe(
        connection, "org.freedesktop.login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
        "/org/freedesktop/login1", nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &SleepWatch::OnPrepareForSleep, self, nullptr);
}

void SleepWatch::OnPrepareForSleep(GDBusConnection*, const char*, const char*, const char*,
                                   const char*, GVariant* parameters, void* data) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)")))
        return;
    gboolean sleeping = FALSE;
    g_variant_get(parameters, "(b)", &sleeping);
    wxLogTrace(ROD_TRACE, "SleepWatch::OnPrepareForSleep(%d)", sleeping);
    auto* self = static_cast<SleepWatch*>(data);
    if (!LinkState::SetAsleep(sleeping))
        return;
    const std::function<void()>& tell = sleeping ? self->m_onSleep : self->m_onWake;
    if (tell)
        tell();
}
