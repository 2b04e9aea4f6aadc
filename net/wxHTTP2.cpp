#include "net/wxHTTP2.h"

#include "net/HostLookup.h"
#include "net/HttpBodyStream.h"
#include "resources/Trace.h"

#include <wx/log.h>

#include <algorithm>
#include <cstdlib>

namespace {
const char BASE64_ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

wxString Base64Encode(const unsigned char* data, size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        const unsigned v = data[i] << 16 | data[i + 1] << 8 | data[i + 2];
        out += BASE64_ALPHABET[v >> 18 & 0x3F];
        out += BASE64_ALPHABET[v >> 12 & 0x3F];
        out += BASE64_ALPHABET[v >> 6 & 0x3F];
        out += BASE64_ALPHABET[v & 0x3F];
    }
    if (length - i == 1) {
        const unsigned v = data[i] << 16;
        out += BASE64_ALPHABET[v >> 18 & 0x3F];
        out += BASE64_ALPHABET[v >> 12 & 0x3F];
        out += "==";
    } else if (length - i == 2) {
        const unsigned v = data[i] << 16 | data[i + 1] << 8;
        out += BASE64_ALPHABET[v >> 18 & 0x3F];
        out += BASE64_ALPHABET[v >> 12 & 0x3F];
        out += BASE64_ALPHABET[v >> 6 & 0x3F];
        out += '=';
    }
    return wxString::FromAscii(out.c_str());
}

wxString BasicCredentials(const wxString& user, const wxString& password) {
    // The buffer may point into the string: keep the string alive.
    const wxString text = user + ":" + password;
    const wxScopedCharBuffer bytes = text.utf8_str();
    return "Basic " +
           Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.length());
}

wxHTTP2::wxHTTP2() : m_proxy(HttpProxy::GetDefault()) {}

wxHTTP2::~wxHTTP2() = default;

void wxHTTP2::SetFixedHeader(const wxString& name, const wxString& value) {
    wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::SetFixedHeader(%s)", this, name);
    for (auto& header : m_fixedHeaders) {
        if (header.first.CmpNoCase(name) == 0) {
            header.second = value;
            return;
        }
    }
    m_fixedHeaders.emplace_back(name, value);
}

bool wxHTTP2::Connect(const wxString& host, unsigned short port) {
    wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::Connect(%s, %u)", this, host, static_cast<unsigned>(port));
    Close();
    if (port == 0)
        port = 80;
    m_hostHeader = port == 80 ? host : wxString::Format("%s:%u", host, static_cast<unsigned>(port));
    m_viaProxy = m_proxy.Serves(host, port);
    const auto deadline =
        Clock::now() + std::chrono::seconds(std::max<long>(GetTimeout(), LOOKUP_SECONDS));
    m_resolved = m_viaProxy
                     ? HostLookup::Resolve(m_proxy.Host(), m_proxy.Port(), deadline, &m_address)
                     : HostLookup::Resolve(host, port, deadline, &m_address);
    m_lastError = m_resolved ? wxPROTO_NOERR : wxPROTO_NETERR;
    if (!m_resolved)
        wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::Connect(): %s not found", this,
                   m_viaProxy ? m_proxy.Host() : host);
    return m_resolved;
}

void wxHTTP2::PrepareHeaders() {
    SetHeader("Host", m_hostHeader);
    for (const auto& header : m_fixedHeaders)
        SetHeader(header.first, header.second);
    // The base class would add its own header whenever either credential is set (a password
    // alone included, and converted to the locale's character set); the credentials of an
    // earlier request, or of another proxy, must not go again.
    m_headers.erase("Authorization");
    m_headers.erase("Proxy-Authorization");
    if (!m_username.empty())
        SetHeader("Authorization", BasicCredentials(m_username, m_password));
    if (m_viaProxy && !m_proxy.User().empty())
        SetHeader("Proxy-Authorization", BasicCredentials(m_proxy.User(), m_proxy.Password()));
}

wxInputStream* wxHTTP2::GetInputStream(const wxString& path) {
    wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::GetInputStream(%s)", this, path);
    PrepareHeaders();
    m_lastError = wxPROTO_CONNERR;
    const auto deadline = Clock::now() + std::chrono::seconds(GetTimeout());
    // Through a proxy the request line names the whole address; "Host" stays the target's.
    const wxString target = m_viaProxy ? "http://" + m_hostHeader + path : path;
    if (!m_resolved || !m_connection.Open(m_address, deadline) || !Exchange(target, deadline)) {
        Close();
        return nullptr;
    }
    if (m_http_response == 407 && m_viaProxy)
        m_proxy.ReportAuthenticationRequired();
    if (m_http_response >= 400) {
        m_lastError = wxPROTO_NOFILE;
        Close();
        return nullptr;
    }
    unsigned long length = static_cast<unsigned long>(-1);
    const wxString announced = GetHeader("Content-Length");
    if (!announced.empty() && !announced.Strip(wxString::both).ToULong(&length)) {
        m_lastError = wxPROTO_PROTERR;
        Close();
        return nullptr;
    }
    const bool hasLength = length != static_cast<unsigned long>(-1);
    const auto budget = std::chrono::seconds(BODY_WAIT_SECONDS) +
                        std::chrono::seconds(hasLength ? length / MIN_BODY_RATE : 0);
    m_lastError = wxPROTO_NOERR;
    return new HttpBodyStream(m_connection, static_cast<size_t>(length),
                              std::chrono::seconds(GetTimeout()), budget, MIN_BODY_RATE);
}

bool wxHTTP2::Close() {
    m_connection.Close();
    return wxHTTP::Close();
}

bool wxHTTP2::Exchange(const wxString& target, Clock::time_point deadline) {
    if (GetHeader("User-Agent").empty())
        SetHeader("User-Agent", wxVERSION_STRING);
    m_http_response = 0;
    const wxString method = m_method.empty() ? wxString("GET") : m_method;
    wxString request = method + " " + target + " HTTP/1.0\r\n";
    for (const auto& header : m_headers)
        request << header.first << ": " << header.second << "\r\n";
    request << "\r\n";
    const wxScopedCharBuffer bytes = request.utf8_str();
    if (!m_connection.SendAll(bytes.data(), bytes.length(), deadline))
        return false;

    std::string line;
    if (!ReadReplyLine(&line, deadline) || line.compare(0, 5, "HTTP/") != 0)
        return false;
    const size_t space = line.find(' ');
    m_http_response = space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    if (m_http_response < 100 || m_http_response > 599)
        return false;

    // The request's headers give way to the reply's, as in wxHTTP.
    ClearHeaders();
    ClearCookies();
    m_read = true;
    for (;;) {
        if (!ReadReplyLine(&line, deadline))
            return false;
        if (line.empty())
            return true;
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        wxString value = wxString::FromUTF8(line.substr(colon + 1));
        m_headers[wxString::FromUTF8(line.substr(0, colon))] = value.Strip(wxString::both);
    }
}

bool wxHTTP2::ReadReplyLine(std::string* line, Clock::time_point deadline) {
    // A reply line longer than this is no HTTP.
    constexpr size_t MAX_LINE = 16384;
    line->clear();
    for (;;) {
        char c;
        if (m_connection.Receive(&c, 1, deadline) != 1)
            return false;
        if (c == '\n')
            break;
        if (line->size() >= MAX_LINE)
            return false;
        *line += c;
    }
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}
