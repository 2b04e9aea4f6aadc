#include "tests/support/ScopedEnvironment.h"

#include <cstdlib>

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second.first)
            setenv(it->first.c_str(), it->second.second.c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
}

void ScopedEnvironment::Set(const char* name, const std::string& value) {
    Remember(name);
    setenv(name, value.c_str(), 1);
}

void ScopedEnvironment::Unset(const char* name) {
    Remember(name);
    unsetenv(name);
}

void ScopedEnvironment::Remember(const char* name) {
    const char* old = std::getenv(name);
    m_saved.emplace_back(name, std::make_pair(old != nullptr, old ? old : ""));
}
