#pragma once

#include <wx/string.h>

// Why a transfer, or the use of what it brought, failed: a kind to decide by and one line of
// text for a person. A value; the default one means "no failure".
class FailureReason {
public:
    enum class Kind {
        NONE,
        STOPPED,           // the thread was asked to stop, or the plug-in is ending
        NAME_NOT_FOUND,    // the host's (or the proxy's) name could not be looked up
        CONNECTION,        // refused, reset, timed out by the system
        UNREACHABLE,       // no network, or no route to the host: this machine is offline
        TIME_OUT,          // connecting, waiting for the reply, or reading the body
        CERTIFICATE,       // the TLS peer was not trusted, or the handshake failed
        PROXY_CREDENTIALS, // the proxy asked for credentials (407)
        HTTP_STATUS,       // a reply outside 2xx
        CUT,               // the body ended early
        TOO_LARGE,         // the body went past what the caller takes
        UNREADABLE,        // the body arrived but could not be used
        OTHER,
    };

    FailureReason() = default;
    FailureReason(Kind kind, const wxString& text) : m_kind(kind), m_text(text) {}

    // "HTTP 403 from www.example.com"
    static FailureReason HttpStatus(int status, const wxString& host);
    // "body cut after 3 000 of 9 000 bytes"; announced < 0 when no length was announced.
    static FailureReason BodyCut(unsigned long long received, long long announced);
    // "proxy 127.0.0.1:3128 asks for credentials"
    static FailureReason ProxyCredentials(const wxString& proxy);

    bool IsSet() const { return m_kind != Kind::NONE; }
    Kind GetKind() const { return m_kind; }
    const wxString& GetText() const { return m_text; }

    bool operator==(const FailureReason& other) const {
        return m_kind == other.m_kind && m_text == other.m_text;
    }
    bool operator!=(const FailureReason& other) const { return !(*this == other); }

private:
    Kind m_kind = Kind::NONE;
    wxString m_text;
};
