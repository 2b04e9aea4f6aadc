#include "net/wxHTTP2.h"

#include "core/Version.h"
#include "net/CurlBodyStream.h"
#include "net/CurlSessionPool.h"
#include "resources/Trace.h"

#include <wx/log.h>

namespace {
const char BASE64_ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
} // namespace

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

wxHTTP2::wxHTTP2() = default;

wxHTTP2::~wxHTTP2() {
    CurlSessionPool::Give(std::move(m_session));
}

void wxHTTP2::SetScheme(const wxString& scheme) {
    m_scheme = scheme.Lower() == "https" ? "https" : "http";
}

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
    m_authority = port == 0 ? host : wxString::Format("%s:%u", host, static_cast<unsigned>(port));
    m_failure =
        host.empty() ? FailureReason(FailureReason::Kind::OTHER, "no host") : FailureReason();
    m_lastError = host.empty() ? wxPROTO_NETERR : wxPROTO_NOERR;
    return !host.empty();
}

std::vector<std::string> wxHTTP2::RequestHeaders() {
    // Still the last reply's headers when the caller set none since: they are no request's.
    if (m_read) {
        ClearHeaders();
        m_read = false;
    }
    for (const auto& header : m_fixedHeaders)
        SetHeader(header.first, header.second);
    // Credentials are this request's alone: never a caller's own header, never old ones.
    m_headers.erase("Authorization");
    m_headers.erase("Proxy-Authorization");
    if (!m_username.empty())
        SetHeader("Authorization", BasicCredentials(m_username, m_password));
    if (GetHeader("User-Agent").empty())
        SetHeader("User-Agent", "Roduviriz/" + Version::Plugin().GetString());
    std::vector<std::string> lines;
    for (const auto& header : m_headers)
        lines.push_back((header.first + ": " + header.second).utf8_string());
    return lines;
}

wxInputStream* wxHTTP2::GetInputStream(const wxString& path) {
    // Without the query: the login check's carries the password.
    wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::GetInputStream(%s)", this, path.BeforeFirst('?'));
    CurlSession::Request request;
    request.url = (m_scheme + "://" + m_authority + path).utf8_string();
    request.headers = RequestHeaders();
    if (m_proxy)
        request.proxy = m_proxy->utf8_string();
    request.compressed = m_compressed;
    request.secretQuery = m_secretQuery;
    request.timeout = std::chrono::seconds(GetTimeout());
    request.lookupTime = std::chrono::seconds(LOOKUP_SECONDS);
    request.bodyWait = std::chrono::seconds(BODY_WAIT_SECONDS);
    request.earnRate = MIN_BODY_RATE;
    if (!m_session)
        m_session = CurlSessionPool::Take();
    m_http_response = 0;
    const bool replied = m_session->Start(request);
    m_http_response = static_cast<int>(m_session->Status());
    TakeReplyHeaders();
    m_failure = m_session->Failure();
    if (m_http_response == 407)
        m_failure = FailureReason::ProxyCredentials(wxString::FromUTF8(m_session->ProxyAddress()));
    if (m_failure.GetKind() == FailureReason::Kind::PROXY_CREDENTIALS)
        m_http_response = 407;
    if (!replied) {
        m_lastError = wxPROTO_CONNERR;
        return nullptr;
    }
    if (m_http_response >= 400) {
        if (!m_failure.IsSet())
            m_failure = FailureReason::HttpStatus(m_http_response, m_authority);
        m_lastError = wxPROTO_NOFILE;
        m_session->Abandon();
        return nullptr;
    }
    m_lastError = wxPROTO_NOERR;
    return new CurlBodyStream(*m_session);
}

FailureReason wxHTTP2::GetFailure() const {
    // A body's failure shows in the session once the stream has met it.
    if (m_session && m_session->Failure().IsSet())
        return m_session->Failure();
    return m_failure;
}

void wxHTTP2::TakeReplyHeaders() {
    ClearHeaders();
    ClearCookies();
    for (const auto& header : m_session->Headers())
        m_headers[wxString::FromUTF8(header.first)] = wxString::FromUTF8(header.second);
    m_read = true;
}

bool wxHTTP2::Close() {
    if (m_session)
        m_session->Abandon();
    return wxHTTP::Close();
}
