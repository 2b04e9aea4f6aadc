#pragma once

#include <string>
#include <utility>
#include <vector>

// Sets environment variables for one scope and puts the old values back. Only while no other
// thread reads the environment (a transfer that looks for its proxy does).
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const char* name, const std::string& value);
    void Unset(const char* name);

private:
    void Remember(const char* name);

    std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_saved;
};
