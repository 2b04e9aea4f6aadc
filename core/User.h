#pragma once

#include <wx/string.h>

// One performer: the name is the identity (compared exactly), the status a word of flags.
class User {
public:
    enum : unsigned long {
        ONLINE = 0x01,
        FREE = 0x02,
        BUSY = 0x04,
        PUBLIC = 0x08,
        PRIVATE = 0x10,
    };

    User() = default;
    User(const wxString& name, unsigned long status) : m_name(name), m_status(status) {}
    User(const User&) = default;
    User& operator=(const User&) = default;
    virtual ~User() = default;

    bool operator==(const User& other) const {
        return m_status == other.m_status && m_name == other.m_name;
    }
    bool operator!=(const User& other) const { return !(*this == other); }

    const wxString& GetName() const { return m_name; }
    unsigned long GetStatus() const { return m_status; }
    void SetStatus(unsigned long status) { m_status = status; }

private:
    wxString m_name;
    unsigned long m_status = 0;
};
