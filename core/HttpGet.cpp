#include "core/HttpGet.h"

#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/uri.h>

#include <memory>

namespace {
wxInputStream* Refused(const wxString& url, const FailureReason& reason, FailureReason* why) {
    wxLogTrace(ROD_TRACE, "[static]HttpGet::Open(%s): %s", url, reason.GetText());
    if (why)
        *why = reason;
    return nullptr;
}
} // namespace

wxInputStream* HttpGet::Open(HttpClient& client, const wxString& url, FailureReason* why) {
    const wxURI address(url);
    const wxString scheme = address.GetScheme().Lower();
    if ((scheme != "http" && scheme != "https") || address.GetServer().empty())
        return Refused(url, FailureReason(FailureReason::Kind::OTHER, "not a web address"), why);
    unsigned long port = 0;
    if (address.HasPort() && (!address.GetPort().ToULong(&port) || port == 0 || port > 65535))
        return Refused(url, FailureReason(FailureReason::Kind::OTHER, "no port"), why);
    client.SetScheme(scheme);
    if (!client.Connect(address.GetServer(), static_cast<unsigned short>(port)))
        return Refused(url, client.GetFailure(), why);
    wxString path = address.GetPath();
    if (path.empty())
        path = "/";
    if (address.HasQuery())
        path << "?" << address.GetQuery();
    std::unique_ptr<wxInputStream> stream(client.GetInputStream(path));
    if (!stream)
        return Refused(url, client.GetFailure(), why);
    // A stream comes for 1xx and 3xx replies as well: only a success is a body.
    const int status = client.GetResponse();
    if (status < 200 || status > 299)
        return Refused(url,
                       FailureReason::HttpStatus(
                           status, address.GetServer() +
                                       (address.HasPort() ? ":" + address.GetPort() : wxString())),
                       why);
    if (why)
        *why = FailureReason();
    return stream.release();
}
