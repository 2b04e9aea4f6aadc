#include "core/SiteEndpoints.h"

#include "resources/ImageStore.h"

const char* const SiteEndpoints::DEFAULT_WEB_HOST = "www.kestova.example";
const char* const SiteEndpoints::DEFAULT_IMAGE_HOST = "img.kestova.example";
const char* const SiteEndpoints::DEFAULT_PREVIEW_HOST = "preview.kestova.example";

wxString SiteEndpoints::ms_web = SiteEndpoints::DEFAULT_WEB_HOST;
wxString SiteEndpoints::ms_image = SiteEndpoints::DEFAULT_IMAGE_HOST;
wxString SiteEndpoints::ms_preview = SiteEndpoints::DEFAULT_PREVIEW_HOST;

namespace {
// An empty or blank setting falls back to the default rather than to a useless address.
wxString ReadHost(const wxString& key, const char* fallback) {
    wxString value = ImageStore::GetConfig()->Read(key, wxString(fallback));
    value.Trim(true).Trim(false);
    return value.empty() ? wxString(fallback) : value;
}
} // namespace

void SiteEndpoints::Load() {
    ms_web = ReadHost("/Site/webHost", DEFAULT_WEB_HOST);
    ms_image = ReadHost("/Site/imageHost", DEFAULT_IMAGE_HOST);
    ms_preview = ReadHost("/Site/previewHost", DEFAULT_PREVIEW_HOST);
}

wxString SiteEndpoints::WebHost() {
    return ms_web;
}

wxString SiteEndpoints::ImageHost() {
    return ms_image;
}

wxString SiteEndpoints::PreviewHost() {
    return ms_preview;
}

wxString SiteEndpoints::WebUrl(const wxString& pathAndQuery) {
    return "http://" + ms_web + pathAndQuery;
}

wxString SiteEndpoints::ImageUrl(const wxString& pathAndQuery) {
    return "http://" + ms_image + pathAndQuery;
}

wxString SiteEndpoints::PreviewUrl(const wxString& pathAndQuery) {
    return "http://" + ms_preview + pathAndQuery;
}
