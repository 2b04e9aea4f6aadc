#include "ui/frame/LoginQuery.h"

wxString LoginQuery::Build(const wxString& id, const wxString& password) {
    return "/zirovudaroro?username=" + PercentEncode(id) + "&password=" + PercentEncode(password);
}

wxString LoginQuery::PercentEncode(const wxString& value) {
    static const char hex[] = "0123456789ABCDEF";
    const wxScopedCharBuffer utf8 = value.utf8_str();
    wxString encoded;
    for (size_t i = 0; i < utf8.length(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8.data()[i]);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            encoded << static_cast<char>(c);
        } else {
            encoded << '%' << hex[c >> 4] << hex[c & 0x0F];
        }
    }
    return encoded;
}
