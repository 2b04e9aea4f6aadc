#include "net/wxHTTP2.h"

#include "net/DownloadThreadsModule.h"
#include "net/HttpBodyStream.h"
#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/time.h>

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

wxInputStream* wxHTTP2::GetInputStream(const wxString& path) {
    wxLogTrace(ROD_TRACE, "[%p]wxHTTP2::GetInputStream(%s)", this, path);
    for (const auto& header : m_fixedHeaders)
        SetHeader(header.first, header.second);

    // The base class would add its own header whenever either credential is set (a password
    // alone included, and converted to the locale's character set): keep it out of this
    // request, and build the header here from the credentials as stored, in UTF-8.
    const wxString user = m_username;
    const wxString password = m_password;
    m_username.clear();
    m_password.clear();
    if (!user.empty()) {
        // The buffer may point into the string: keep the string alive.
        const wxString text = user + ":" + password;
        const wxScopedCharBuffer credentials = text.utf8_str();
        SetHeader("Authorization", "Basic " + Base64Encode(reinterpret_cast<const unsigned char*>(
                                                               credentials.data()),
                                                           credentials.length()));
    } else {
        // A header left from an earlier request with other credentials must not go again.
        m_headers.erase("Authorization");
    }
    // Blocking from the start, so the socket never reaches the GUI thread's event loop.
    SetFlags(wxSOCKET_BLOCK | wxSOCKET_WAITALL);
    m_lastError = wxPROTO_CONNERR;
    DownloadThreadsModule::Forget(m_watch);
    m_watch = -1;
    bool replied = m_addr && wxProtocol::Connect(*m_addr);
    if (replied) {
        m_watch = DownloadThreadsModule::Watch(*this);
        replied = Exchange(path);
    }
    m_username = user;
    m_password = password;
    if (!replied) {
        Close();
        return nullptr;
    }
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
    // The body stream waits (with the time-out) before each read and then takes what came,
    // so a server that stalls mid-body cannot hold a read for ever.
    SetFlags(wxSOCKET_BLOCK);
    m_lastError = wxPROTO_NOERR;
    return new HttpBodyStream(*this, static_cast<size_t>(length));
}

wxHTTP2::~wxHTTP2() {
    DownloadThreadsModule::Forget(m_watch);
}

bool wxHTTP2::Close() {
    DownloadThreadsModule::Forget(m_watch);
    m_watch = -1;
    return wxHTTP::Close();
}

bool wxHTTP2::Exchange(const wxString& path) {
    if (GetHeader("User-Agent").empty())
        SetHeader("User-Agent", wxVERSION_STRING);
    m_http_response = 0;
    const wxString method = m_method.empty() ? wxString("GET") : m_method;
    const wxString requestLine = method + " " + path + " HTTP/1.0\r\n";
    const wxScopedCharBuffer requestBytes = requestLine.utf8_str();
    Write(requestBytes.data(), requestBytes.length());
    SendHeaders();
    Write("\r\n", 2);
    if (Error())
        return false;

    const wxLongLong deadline = wxGetLocalTimeMillis() + wxLongLong(GetTimeout()) * 1000;
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

bool wxHTTP2::ReadReplyLine(std::string* line, wxLongLong deadline) {
    // A reply line longer than this is no HTTP.
    constexpr size_t MAX_LINE = 16384;
    line->clear();
    for (;;) {
        char c;
        // A blocking read has no time-out of its own.
        const wxLongLong left = deadline - wxGetLocalTimeMillis();
        if (left <= 0 || !WaitForRead(0, left.ToLong()) || Read(&c, 1).LastCount() != 1)
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
