#pragma once

#include <wx/protocol/http.h>

// Standard Base64 (RFC 4648), always one line.
wxString Base64Encode(const unsigned char* data, size_t length);

// wxHTTP with HTTP Basic authentication: with a user name set, every request carries an
// "Authorization" header built from the credentials stored at that moment. The header is set
// after the connection is made, since Connect() overwrites headers set before it.
class wxHTTP2 : public wxHTTP {
public:
    wxHTTP2() = default;
    ~wxHTTP2() override = default;

    wxInputStream* GetInputStream(const wxString& path) override;
    void SetUser(const wxString& user) override { m_user = user; }
    void SetPassword(const wxString& password) override { m_password = password; }

private:
    wxString m_user;
    wxString m_password;
};
