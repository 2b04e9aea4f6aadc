#include "ui/frame/PasswordKeyring.h"

#include "resources/Trace.h"

#include <gio/gio.h>
#include <libsecret/secret.h>
#include <wx/log.h>

#include <functional>
#include <string>

namespace {

const char SERVICE[] = "org.freedesktop.secrets";

const SecretSchema* Schema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "example.roduviriz.Account";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0].name = "account";
        made.attributes[0].type = SECRET_SCHEMA_ATTRIBUTE_STRING;
        return made;
    }();
    return &schema;
}

// One asynchronous call, its reply awaited on a main context of this call's own; cancelled
// when the service has not answered within the limit.
class Call {
public:
    using Start = std::function<void(GCancellable*, GAsyncReadyCallback, void*)>;

    explicit Call(const Start& start)
        : m_context(g_main_context_new()), m_cancellable(g_cancellable_new()) {
        g_main_context_push_thread_default(m_context);
        GSource* limit = g_timeout_source_new_seconds(PasswordKeyring::LIMIT_SECONDS);
        g_source_set_callback(limit, &Call::OnLimit, this, nullptr);
        g_source_attach(limit, m_context);
        start(m_cancellable, &Call::OnDone, this);
        while (!m_result)
            g_main_context_iteration(m_context, TRUE);
        g_source_destroy(limit);
        g_source_unref(limit);
        g_main_context_pop_thread_default(m_context);
    }
    ~Call() {
        g_object_unref(m_result);
        g_object_unref(m_cancellable);
        g_main_context_unref(m_context);
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    GAsyncResult* Result() const { return m_result; }
    bool TimedOut() const { return m_timedOut; }

private:
    static void OnDone(GObject*, GAsyncResult* result, void* self) {
        static_cast<Call*>(self)->m_result = G_ASYNC_RESULT(g_object_ref(result));
    }
    static gboolean OnLimit(void* self) {
        auto* call = static_cast<Call*>(self);
        call->m_timedOut = true;
        g_cancellable_cancel(call->m_cancellable);
        return G_SOURCE_REMOVE;
    }

    GMainContext* m_context;
    GCancellable* m_cancellable;
    GAsyncResult* m_result = nullptr;
    bool m_timedOut = false;
};

// The reason of a failed call, in the user's terms where the cause is a common one.
bool Failed(GError* error, const Call& call, wxString* why) {
    if (!error)
        return false;
    if (call.TimedOut())
        *why = wxString::Format(_("The keyring did not answer within %d seconds."),
                                PasswordKeyring::LIMIT_SECONDS);
    else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        *why = _("The keyring's prompt was cancelled.");
    else if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        *why = _("The keyring is locked.");
    else
        *why = wxString::Format(_("The keyring refused: %s"), wxString::FromUTF8(error->message));
    wxLogTrace(ROD_TRACE, "PasswordKeyring: %s", error->message);
    g_error_free(error);
    return true;
}

// The unique name of the Secret Service's owner on the session bus; empty, with the reason, for
// none.
std::string ServiceOwner(wxString* why) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        *why = _("There is no session bus, so no keyring.");
        g_error_free(error);
        return std::string();
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetNameOwner", g_variant_new("(s)", SERVICE), G_VARIANT_TYPE("(s)"),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    g_object_unref(bus);
    std::string owner;
    if (reply) {
        const gchar* name = nullptr;
        g_variant_get(reply, "(&s)", &name);
        owner = name;
        g_variant_unref(reply);
    } else {
        g_error_free(error);
    }
    if (owner.empty())
        *why = _("No keyring service (Secret Service) runs on the desktop.");
    return owner;
}

// libsecret keeps one connection to the service, with a session that the owner of that time
// opened: a keyring started anew (after a crash, or at a new login) knows no such session and
// refuses every secret sent in it. Called on the GUI thread only.
void FollowServiceOwner() {
    static std::string known;
    wxString ignored;
    const std::string owner = ServiceOwner(&ignored);
    if (!known.empty() && owner != known)
        secret_service_disconnect();
    known = owner;
}

} // namespace

bool PasswordKeyring::IsAvailable(wxString* why) {
    return !ServiceOwner(why).empty();
}

bool PasswordKeyring::Store(const wxString& account, const wxString& password, wxString* why) {
    FollowServiceOwner();
    const wxScopedCharBuffer name = account.utf8_str();
    const wxScopedCharBuffer secret = password.utf8_str();
    const wxString label = wxString::Format("Roduviriz: %s", account);
    const wxScopedCharBuffer labelText = label.utf8_str();
    Call call([&](GCancellable* cancellable, GAsyncReadyCallback done, void* data) {
        secret_password_store(Schema(), SECRET_COLLECTION_DEFAULT, labelText.data(), secret.data(),
                              cancellable, done, data, "account", name.data(), nullptr);
    });
    GError* error = nullptr;
    secret_password_store_finish(call.Result(), &error);
    return !Failed(error, call, why);
}

bool PasswordKeyring::Lookup(const wxString& account, wxString* password, wxString* why) {
    FollowServiceOwner();
    const wxScopedCharBuffer name = account.utf8_str();
    Call call([&](GCancellable* cancellable, GAsyncReadyCallback done, void* data) {
        secret_password_lookup(Schema(), cancellable, done, data, "account", name.data(), nullptr);
    });
    GError* error = nullptr;
    gchar* found = secret_password_lookup_finish(call.Result(), &error);
    if (Failed(error, call, why))
        return false;
    *password = found ? wxString::FromUTF8(found) : wxString();
    secret_password_free(found);
    return true;
}

bool PasswordKeyring::Clear(const wxString& account, wxString* why) {
    FollowServiceOwner();
    const wxScopedCharBuffer name = account.utf8_str();
    Call call([&](GCancellable* cancellable, GAsyncReadyCallback done, void* data) {
        secret_password_clear(Schema(), cancellable, done, data, "account", name.data(), nullptr);
    });
    GError* error = nullptr;
    secret_password_clear_finish(call.Result(), &error);
    return !Failed(error, call, why);
}
