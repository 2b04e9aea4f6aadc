#pragma once

#include <wx/weakref.h>
#include <wx/window.h>

typedef struct _GAsyncResult GAsyncResult;
typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GObject GObject;
typedef struct _GVariant GVariant;

// The running program's end of a second start. The host of the first start owns a name on the
// session bus for the user's display; a second start calls METHOD there (object PATH,
// interface INTERFACE) and ends, and the main frame gets its show command (wxID_OPEN), as from
// the tray: shown, restored if minimised, raised. GUI thread only.
class InstanceHandover {
public:
    static const char PATH[];
    static const char INTERFACE[];
    static const char METHOD[];

    // The frame is not owned; commands for a frame that went are dropped.
    explicit InstanceHandover(wxWindow* frame);
    ~InstanceHandover();
    InstanceHandover(const InstanceHandover&) = delete;
    InstanceHandover& operator=(const InstanceHandover&) = delete;

    bool IsExported() const { return m_registration != 0; }

private:
    static void OnBus(GObject* source, GAsyncResult* result, void* self);
    static void OnMethodCall(GDBusConnection* connection, const char* sender, const char* path,
                             const char* interface, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, void* self);

    wxWeakRef<wxWindow> m_frame;
    GCancellable* m_cancellable;
    GDBusConnection* m_connection = nullptr;
    unsigned m_registration = 0;
};
