#include "core/HttpGet.h"

#include "resources/Trace.h"

#include <wx/log.h>
#include <wx/uri.h>

#include <memory>

namespace {
// Traced without credentials and query, either of which may hold a password (the login
// check's query does).
wxInputStream* Refused(const wxURI& address, const FailureReason& reason, FailureReason* why) {
    wxString traced = address.GetScheme() + "://" + address.GetServer();
    if (address.HasPort())
        traced << ":" << address.GetPort();
    wxLogTrace(ROD_TRACE, "[static]HttpGet::Open(%s): %s", traced + address.GetPath(),
               reason.GetText());
    if (why)
        *why = reason;
    return nullptr;
}
} // namespace

wxInputStream* HttpGet::Open(HttpClient& client, const wxString& url, FailureReason* why) {
    const wxURI address(url);
    const wxString scheme = address.GetScheme().Lower();
    if ((scheme != "http" && scheme != "https") || address.GetServer().empty())
        return Refused(address, FailureReason(FailureReason::Kind::OTHER, "not a web address"),
                       why);
    unsigned long port = 0;
    if (address.HasPort() && (!address.GetPort().ToULong(&port) || port == 0 || port > 65535))
        return Refused(address, FailureReason(FailureReason::Kind::OTHER, "no port"), why);
    client.SetScheme(scheme);
    if (!client.Connect(address.GetServer(), static_cast<unsigned short>(port)))
        return Refused(address, client.GetFailure(), why);
    wxString path = address.GetPath();
    if (path.empty())
        path = "/";
    if (address.HasQuery())
        path << "?" << address.GetQuery();
    std::unique_ptr<wxInputStream> stream(client.GetInputStream(path));
    if (!stream)
        return Refused(address, client.GetFailure(), why);
    // A stream comes for 1xx and 3xx replies as well: only a success is a body.
    const int status = client.GetResponse();
    if (status < 200 || status > 299)
        return Refused(address,
                       FailureReason::HttpStatus(
                           status, address.GetServer() +
                                       (address.HasPort() ? ":" + address.GetPort() : wxString())),
                       why);
    if (why)
        *why = FailureReason();
    return stream.release();
}
