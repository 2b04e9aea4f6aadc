#include "core/HttpGet.h"

#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/uri.h>

#include <memory>

namespace {
wxInputStream* Refused(const wxString& url, const wxString& why) {
    wxLogTrace(ROD_TRACE, "[static]HttpGet::Open(%s): %s", url, why);
    return nullptr;
}
} // namespace

wxInputStream* HttpGet::Open(wxHTTP& client, const wxString& url) {
    const wxURI address(url);
    if (!address.GetScheme().IsSameAs("http", false) || address.GetServer().empty())
        return Refused(url, "not an http address");
    unsigned long port = 80;
    if (address.HasPort() && (!address.GetPort().ToULong(&port) || port == 0 || port > 65535))
        return Refused(url, "no port");
    if (!client.Connect(address.GetServer(), static_cast<unsigned short>(port)))
        return Refused(url, "host not found");
    wxString path = address.GetPath();
    if (path.empty())
        path = "/";
    if (address.HasQuery())
        path << "?" << address.GetQuery();
    std::unique_ptr<wxInputStream> stream(client.GetInputStream(path));
    // wxHTTP hands out a stream for 1xx and 3xx replies as well: only a success is a body.
    const int status = client.GetResponse();
    if (!stream || status < 200 || status > 299)
        return Refused(url, status ? wxString::Format("HTTP %d", status) : "no reply");
    return stream.release();
}
