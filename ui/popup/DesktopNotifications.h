#pragma once

#include <wx/image.h>
#include <wx/string.h>

#include <functional>

typedef struct _GAsyncResult GAsyncResult;
typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GObject GObject;
typedef struct _GVariant GVariant;

// The desktop's notification service ("org.freedesktop.Notifications") on the session bus:
// whether it is there, messages sent or replaced, their default action and their end. Nothing
// here waits for the bus: the replies and the service's signals arrive through the main loop
// (the toolkit's loop is GLib's) on the GUI thread. GUI thread only.
class DesktopNotifications {
public:
    struct Message {
        wxString summary;
        // Plain text; characters that read as markup are escaped.
        wxString body;
        // Sent as the message's picture when it is ok.
        wxImage image;
        int timeoutMs = -1;
    };
    struct Listener {
        std::function<void(bool available)> availability;
        // The message itself was clicked (its "default" action).
        std::function<void(unsigned id)> activated;
        std::function<void(unsigned id)> closed;
    };

    explicit DesktopNotifications(const Listener& listener);
    ~DesktopNotifications();
    DesktopNotifications(const DesktopNotifications&) = delete;
    DesktopNotifications& operator=(const DesktopNotifications&) = delete;

    bool IsAvailable() const { return m_available; }
    // Sends the message in place of the one with the id replaces (0: a new one). sent gets the
    // message's id once the service has answered, 0 when it refused; it is not called after
    // this object has gone.
    void Notify(unsigned replaces, const Message& message,
                const std::function<void(unsigned id)>& sent);
    void Close(unsigned id);

private:
    static void OnBus(GObject* source, GAsyncResult* result, void* self);
    static void OnAppeared(GDBusConnection* connection, const char* name, const char* owner,
                           void* self);
    static void OnVanished(GDBusConnection* connection, const char* name, void* self);
    static void OnSignal(GDBusConnection* connection, const char* sender, const char* path,
                         const char* interface, const char* signal, GVariant* parameters,
                         void* self);
    static void OnNotified(GObject* source, GAsyncResult* result, void* pending);
    static GVariant* ImageData(const wxImage& image);
    static wxString Escaped(const wxString& text);

    Listener m_listener;
    GCancellable* m_cancellable;
    GDBusConnection* m_connection = nullptr;
    unsigned m_watch = 0;
    unsigned m_subscription = 0;
    bool m_available = false;
};
