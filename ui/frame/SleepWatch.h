#pragma once

#include <functional>

#include <gio/gio.h>

// The machine's sleep as logind announces it (PrepareForSleep of
// org.freedesktop.login1.Manager on the system bus): tells LinkState, and calls onSleep before
// the sleep and onWake after it. Without a system bus or logind it hears nothing and changes
// nothing. GUI thread.
class SleepWatch {
public:
    SleepWatch(std::function<void()> onSleep, std::function<void()> onWake);
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

private:
    static void OnBus(GObject* source, GAsyncResult* result, void* data);
    static void OnPrepareForSleep(GDBusConnection* connection, const char* sender, const char* path,
                                  const char* interface, const char* signal, GVariant* parameters,
                                  void* data);

    std::function<void()> m_onSleep;
    std::function<void()> m_onWake;
    GCancellable* m_cancellable;
    GDBusConnection* m_connection = nullptr;
    unsigned int m_subscription = 0;
};
