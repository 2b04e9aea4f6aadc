#pragma once

#include <wx/confbase.h>

#include <mutex>

// The global configuration object together with the process-wide guard that every access
// holds: wxConfigBase is not thread-safe, even a read moves its current path. Use it as a
// temporary, `ImageStore::GetConfig()->Read(...)`, so the guard is held for that one call;
// keep a named ConfigAccess alive only for a short sequence of calls that belong together.
class ConfigAccess {
public:
    ConfigAccess();
    ConfigAccess(ConfigAccess&&) = default;
    ConfigAccess(const ConfigAccess&) = delete;
    ConfigAccess& operator=(const ConfigAccess&) = delete;

    wxConfigBase* operator->() const { return m_config; }
    wxConfigBase& operator*() const { return *m_config; }
    wxConfigBase* Get() const { return m_config; }

    // Writes the object out and deletes it (module end); the next access creates it anew.
    static void Release();

private:
    static std::recursive_mutex& Guard();
    static wxConfigBase* CreatePrivate();

    std::unique_lock<std::recursive_mutex> m_lock;
    wxConfigBase* m_config;
};
