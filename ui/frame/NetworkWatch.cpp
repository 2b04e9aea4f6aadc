#include "ui/frame/NetworkWatch.h"

#include "core/LinkState.h"
#include "core/SiteEndpoints.h"
#include "resources/GioPending.h"
#include "resources/Trace.h"

#include <wx/log.h>

NetworkWatch::NetworkWatch(std::function<void()> onBack)
    : m_onBack(std::move(onBack)), m_monitor(g_network_monitor_get_default()) {
    wxLogTrace(ROD_TRACE, "[%p]NetworkWatch::NetworkWatch()", this);
    m_handler =
        g_signal_connect(m_monitor, "network-changed", G_CALLBACK(&NetworkWatch::OnChanged), this);
    Check();
}

NetworkWatch::~NetworkWatch() {
    g_signal_handler_disconnect(m_monitor, m_handler);
    if (m_cancellable) {
        g_cancellable_cancel(m_cancellable);
        g_object_unref(m_cancellable);
    }
    // Without a watch nobody would say when the network is back.
    LinkState::SetOffline(false);
}

namespace {

// This machine itself is always in reach, whatever the routes (the monitor sees only those).
bool IsLoopback(const wxString& host) {
    if (host.IsSameAs("localhost", false))
        return true;
    GInetAddress* address = g_inet_address_new_from_string(host.utf8_str());
    const bool loopback = address && g_inet_address_get_is_loopback(address);
    if (address)
        g_object_unref(address);
    return loopback;
}

} // namespace

void NetworkWatch::Check() {
    if (m_cancellable) {
        g_cancellable_cancel(m_cancellable);
        g_object_unref(m_cancellable);
        m_cancellable = nullptr;
    }
    // A placeholder names no host to reach: nothing is asked of it anyway.
    const wxString hostPort = SiteEndpoints::WebHost();
    if (SiteEndpoints::IsPlaceholder(hostPort)) {
        Apply(false);
        return;
    }
    const guint16 port = SiteEndpoints::Scheme() == "https" ? 443 : 80;
    GSocketConnectable* site = g_network_address_parse(hostPort.utf8_str(), port, nullptr);
    if (!site ||
        IsLoopback(wxString::FromUTF8(g_network_address_get_hostname(G_NETWORK_ADDRESS(site))))) {
        if (site)
            g_object_unref(site);
        Apply(false);
        return;
    }
    m_cancellable = g_cancellable_new();
    GioPending::Started();
    g_network_monitor_can_reach_async(m_monitor, site, m_cancellable, &NetworkWatch::OnReached,
                                      this);
    g_object_unref(site);
}

void NetworkWatch::OnChanged(GNetworkMonitor*, gboolean available, void* data) {
    wxLogTrace(ROD_TRACE, "NetworkWatch::OnChanged(%d)", available);
    static_cast<NetworkWatch*>(data)->Check();
}

void NetworkWatch::OnReached(GObject* source, GAsyncResult* result, void* data) {
    GioPending::Ended();
    GError* error = nullptr;
    const bool reached =
        g_network_monitor_can_reach_finish(G_NETWORK_MONITOR(source), result, &error);
    // A cancelled look belongs to a watch that went or to a look replaced by a newer one.
    if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        g_error_free(error);
        return;
    }
    // A name that is not found is the site's failure, unless there is no network at all.
    auto* monitor = G_NETWORK_MONITOR(source);
    const bool offline =
        !reached && (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE) ||
                     g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE) ||
                     !g_network_monitor_get_network_available(monitor));
    if (error) {
        wxLogTrace(ROD_TRACE, "NetworkWatch: %s", error->message);
        g_error_free(error);
    }
    static_cast<NetworkWatch*>(data)->Apply(offline);
}

void NetworkWatch::Apply(bool offline) {
    if (!LinkState::SetOffline(offline))
        return;
    if (offline) {
        wxLogWarning("network: offline, %s cannot be reached from this machine",
                     SiteEndpoints::WebHost());
        return;
    }
    wxLogWarning("network: back online");
    if (m_onBack)
        m_onBack();
}
