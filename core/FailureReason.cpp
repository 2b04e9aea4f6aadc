#include "core/FailureReason.h"

namespace {
// Thousands apart by a space, whatever the locale: "9 000".
wxString Grouped(unsigned long long value) {
    wxString digits = wxString::Format("%llu", value);
    for (int at = static_cast<int>(digits.length()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), " ");
    return digits;
}
} // namespace

FailureReason FailureReason::HttpStatus(int status, const wxString& host) {
    return FailureReason(Kind::HTTP_STATUS, wxString::Format("HTTP %d from %s", status, host));
}

FailureReason FailureReason::BodyCut(unsigned long long received, long long announced) {
    if (announced < 0)
        return FailureReason(Kind::CUT, "body cut after " + Grouped(received) + " bytes");
    return FailureReason(Kind::CUT, "body cut after " + Grouped(received) + " of " +
                                        Grouped(static_cast<unsigned long long>(announced)) +
                                        " bytes");
}

FailureReason FailureReason::ProxyCredentials(const wxString& proxy) {
    return FailureReason(Kind::PROXY_CREDENTIALS, "proxy " + proxy + " asks for credentials");
}
