#include "net/HttpProxy.h"

#include <wx/tokenzr.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

namespace {

std::mutex g_guard;
// Guarded by g_guard.
HttpProxy g_default;
std::set<wxString> g_reported;

wxString Environment(const char* lower, const char* upper, bool emptyCounts) {
    for (const char* name : {lower, upper}) {
        const char* value = std::getenv(name);
        if (value && (*value || emptyCounts))
            return wxString::FromUTF8(value);
    }
    return wxString();
}

int HexDigit(wxUniChar c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a') + 10;
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A') + 10;
    return -1;
}

// "%40" and the like as bytes of UTF-8 (Latin-1 when they are not UTF-8).
wxString PercentDecode(const wxString& text) {
    std::string bytes;
    for (size_t i = 0; i < text.length(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.length();
        const int high = escape ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += text.Mid(i, 1).utf8_string();
        }
    }
    const wxString decoded = wxString::FromUTF8(bytes);
    return decoded.empty() && !bytes.empty() ? wxString(bytes.c_str(), wxConvISO8859_1) : decoded;
}

// "name" or "name:port" into its parts; port -1 when none is given, 0 when it is no port.
void SplitHostPort(const wxString& text, wxString* host, long* port) {
    *host = text;
    *port = -1;
    const int colon = text.Find(':', true);
    // A bracketed IPv6 address has colons of its own.
    if (colon == wxNOT_FOUND || text.Find(']', true) > colon)
        return;
    *host = text.Left(colon);
    long value = 0;
    *port = text.Mid(colon + 1).ToLong(&value) && value > 0 && value <= 65535 ? value : 0;
}

wxString Canonical(wxString name) {
    name.MakeLower();
    while (name.EndsWith("."))
        name.RemoveLast();
    return name;
}

} // namespace

HttpProxy HttpProxy::Parse(const wxString& address, const wxString& noProxy) {
    HttpProxy proxy;
    wxString rest = address;
    rest.Trim(true).Trim(false);
    const int scheme = rest.Find("://");
    if (scheme != wxNOT_FOUND) {
        // Our client speaks plain HTTP to the proxy; an HTTPS or SOCKS proxy is not one.
        if (!rest.Left(scheme).IsSameAs("http", false))
            return proxy;
        rest = rest.Mid(scheme + 3);
    }
    wxString authority = rest.BeforeFirst('/');
    // The password may hold an '@' of its own: the host follows the last one.
    const int at = authority.Find('@', true);
    if (at != wxNOT_FOUND) {
        const wxString credentials = authority.Left(at);
        proxy.m_user = PercentDecode(credentials.BeforeFirst(':'));
        proxy.m_password = PercentDecode(credentials.AfterFirst(':'));
        authority = authority.Mid(at + 1);
    }
    long port = 0;
    SplitHostPort(authority, &proxy.m_host, &port);
    if (port == 0 || proxy.m_host.empty())
        return HttpProxy();
    proxy.m_port = port < 0 ? 80 : static_cast<unsigned short>(port);

    wxStringTokenizer entries(noProxy, ",");
    while (entries.HasMoreTokens()) {
        wxString entry = entries.GetNextToken();
        entry.Trim(true).Trim(false);
        if (entry == "*") {
            proxy.m_bypassAll = true;
            continue;
        }
        wxString name;
        long entryPort = 0;
        SplitHostPort(entry, &name, &entryPort);
        while (name.StartsWith("."))
            name.Remove(0, 1);
        name = Canonical(name);
        if (!name.empty() && entryPort != 0)
            proxy.m_exceptions.push_back({name, static_cast<int>(entryPort)});
    }
    return proxy;
}

HttpProxy HttpProxy::FromEnvironment() {
    // As curl: a "no_proxy" that is set wins over "NO_PROXY", even when empty.
    return Parse(Environment("http_proxy", "HTTP_PROXY", false),
                 Environment("no_proxy", "NO_PROXY", true));
}

HttpProxy HttpProxy::GetDefault() {
    std::lock_guard<std::mutex> lock(g_guard);
    return g_default;
}

void HttpProxy::SetDefault(const HttpProxy& proxy) {
    std::lock_guard<std::mutex> lock(g_guard);
    g_default = proxy;
}

bool HttpProxy::Serves(const wxString& host, unsigned short port) const {
    if (!IsSet() || m_bypassAll)
        return false;
    const wxString name = Canonical(host);
    for (const auto& exception : m_exceptions) {
        if (exception.port >= 0 && exception.port != port)
            continue;
        if (name == exception.name || name.EndsWith("." + exception.name))
            return false;
    }
    return true;
}

wxString HttpProxy::Address() const {
    return wxString::Format("http://%s:%u/", m_host, static_cast<unsigned>(m_port));
}

void HttpProxy::ReportAuthenticationRequired() const {
    const wxString address = Address();
    {
        std::lock_guard<std::mutex> lock(g_guard);
        if (!g_reported.insert(address).second)
            return;
    }
    const wxString line = wxString::Format(
        "Roduviriz: the proxy %s refuses our requests without valid credentials (407 Proxy "
        "Authentication Required); check the user and password in http_proxy.\n",
        address);
    std::fputs(line.utf8_str().data(), stderr);
    std::fflush(stderr);
}
