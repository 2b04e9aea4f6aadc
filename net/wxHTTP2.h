#pragma once

#include <wx/protocol/http.h>

#include <utility>
#include <vector>

// Standard Base64 (RFC 4648), always one line however long the input.
wxString Base64Encode(const unsigned char* data, size_t length);

// wxHTTP with HTTP Basic authentication: with a user name set, every request carries an
// "Authorization" header built from the credentials stored at that moment. Headers are set
// in GetInputStream, i.e. after Connect(), which overwrites "Host" and drops what was set
// before it; wxHTTP also forgets every request header once it has read a reply.
class wxHTTP2 : public wxHTTP {
public:
    wxHTTP2() = default;
    ~wxHTTP2() override = default;

    wxInputStream* GetInputStream(const wxString& path) override;

    // wxProtocol's setters are not virtual: these store into the same members, so setting the
    // credentials through a base pointer counts as well.
    void SetUser(const wxString& user) { m_username = user; }
    void SetPassword(const wxString& password) { m_password = password; }

    // Extra headers put on every request after the connection is made; setting "Host" this
    // way overrides the one that Connect() puts. A second call with the same name replaces
    // the value.
    void SetFixedHeader(const wxString& name, const wxString& value);

private:
    std::vector<std::pair<wxString, wxString>> m_fixedHeaders;
};
