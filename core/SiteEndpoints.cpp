#include "core/SiteEndpoints.h"

#include "resources/ImageStore.h"

#include <wx/intl.h>

#include <mutex>

const char* const SiteEndpoints::DEFAULT_WEB_HOST = "www.kestova.example";
const char* const SiteEndpoints::DEFAULT_IMAGE_HOST = "img.kestova.example";
const char* const SiteEndpoints::DEFAULT_PREVIEW_HOST = "preview.kestova.example";

namespace {
// The refresh thread reads the web host while the GUI thread may reload all three.
std::mutex g_guard;
wxString g_web = SiteEndpoints::DEFAULT_WEB_HOST;
wxString g_image = SiteEndpoints::DEFAULT_IMAGE_HOST;
wxString g_preview = SiteEndpoints::DEFAULT_PREVIEW_HOST;
bool g_secure = false;

// An empty or blank setting falls back to the default rather than to a useless address.
wxString ReadHost(const wxString& key, const char* fallback) {
    wxString value = ImageStore::GetConfig()->Read(key, wxString(fallback));
    value.Trim(true).Trim(false);
    return value.empty() ? wxString(fallback) : value;
}

bool IsAsciiAlnum(wxUniChar c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Dot-separated labels of letters, digits and inner hyphens (IPv4 addresses included).
bool IsHostName(const wxString& name) {
    if (name.empty() || name.length() > 253)
        return false;
    size_t label = 0;
    for (size_t i = 0; i < name.length(); ++i) {
        const wxUniChar c = name[i];
        if (c == '.') {
            if (label == 0 || name[i - 1] == '-')
                return false;
            label = 0;
        } else if (IsAsciiAlnum(c) || (c == '-' && label > 0)) {
            if (++label > 63)
                return false;
        } else {
            return false;
        }
    }
    return name.Last() != '-';
}

// A copy taken under the guard, so a reload never changes a string being read.
wxString Get(const wxString& host) {
    std::lock_guard<std::mutex> lock(g_guard);
    return host;
}
} // namespace

void SiteEndpoints::Load() {
    const wxString web = ReadHost("/Site/webHost", DEFAULT_WEB_HOST);
    const wxString image = ReadHost("/Site/imageHost", DEFAULT_IMAGE_HOST);
    const wxString preview = ReadHost("/Site/previewHost", DEFAULT_PREVIEW_HOST);
    wxString scheme = ImageStore::GetConfig()->Read("/Site/scheme", wxString("http"));
    scheme.Trim(true).Trim(false);
    std::lock_guard<std::mutex> lock(g_guard);
    g_web = web;
    g_image = image;
    g_preview = preview;
    g_secure = scheme == "https";
}

wxString SiteEndpoints::Scheme() {
    std::lock_guard<std::mutex> lock(g_guard);
    return g_secure ? "https" : "http";
}

wxString SiteEndpoints::WebHost() {
    return Get(g_web);
}

wxString SiteEndpoints::ImageHost() {
    return Get(g_image);
}

wxString SiteEndpoints::PreviewHost() {
    return Get(g_preview);
}

wxString SiteEndpoints::WebUrl(const wxString& pathAndQuery) {
    std::lock_guard<std::mutex> lock(g_guard);
    return (g_secure ? "https://" : "http://") + g_web + pathAndQuery;
}

wxString SiteEndpoints::ImageUrl(const wxString& pathAndQuery) {
    std::lock_guard<std::mutex> lock(g_guard);
    return (g_secure ? "https://" : "http://") + g_image + pathAndQuery;
}

wxString SiteEndpoints::PreviewUrl(const wxString& pathAndQuery) {
    std::lock_guard<std::mutex> lock(g_guard);
    return (g_secure ? "https://" : "http://") + g_preview + pathAndQuery;
}

wxString SiteEndpoints::CheckHost(const wxString& value) {
    wxString host = value;
    host.Trim(true).Trim(false);
    if (host.empty())
        return _("Enter a host name.");
    if (host.Contains("://"))
        return _("Only the host name, without \"http://\".");
    if (host.find_first_of("/?#") != wxString::npos)
        return _("Only the host name, without a path.");
    if (host.find_first_of(" \t") != wxString::npos)
        return _("A host name has no spaces.");
    const int colon = host.Find(':', true);
    if (colon != wxNOT_FOUND) {
        const wxString port = host.Mid(colon + 1);
        unsigned long number = 0;
        if (port.empty() || !port.IsNumber() || !port.ToULong(&number) || number < 1 ||
            number > 65535)
            return _("The port must be a number from 1 to 65535.");
        host.Truncate(colon);
    }
    if (!IsHostName(host))
        return _("A host name holds only letters, digits, dots and hyphens.");
    return wxString();
}

bool SiteEndpoints::IsPlaceholder(const wxString& host) {
    wxString name = host.Lower();
    name.Trim(true).Trim(false);
    const int colon = name.Find(':', true);
    if (colon != wxNOT_FOUND)
        name.Truncate(colon);
    if (name.EndsWith("."))
        name.RemoveLast();
    return name == "example" || name.EndsWith(".example");
}
