#pragma once

#include <functional>

#include <gio/gio.h>

// The desktop's own view of the network (GIO's network monitor: the kernel's routes, or
// NetworkManager where that runs) for the refresh: the machine is offline while it has no
// network at all or cannot reach the site's web host. It tells LinkState, logs one line when
// the machine goes offline and one when it is back, and then calls onBack. A host name that
// cannot be looked up counts as offline only without any network: the refresh's own failure
// tells of it. GUI thread.
class NetworkWatch {
public:
    explicit NetworkWatch(std::function<void()> onBack);
    ~NetworkWatch();
    NetworkWatch(const NetworkWatch&) = delete;
    NetworkWatch& operator=(const NetworkWatch&) = delete;

    // Looks again, at the site now set.
    void Check();

private:
    static void OnChanged(GNetworkMonitor* monitor, gboolean available, void* data);
    static void OnReached(GObject* source, GAsyncResult* result, void* data);
    void Apply(bool offline);

    std::function<void()> m_onBack;
    GNetworkMonitor* m_monitor;
    unsigned long m_handler = 0;
    // Of the look under way; a new look cancels the one before.
    GCancellable* m_cancellable = nullptr;
};
