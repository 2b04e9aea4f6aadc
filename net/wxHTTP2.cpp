#include "net/wxHTTP2.h"

#include "resources/Trace.h"

#include <wx/log.h>

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
    wxInputStream* stream = wxHTTP::GetInputStream(path);
    m_username = user;
    m_password = password;
    return stream;
}
