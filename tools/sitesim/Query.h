#pragma once

#include <string>
#include <utility>
#include <vector>

// A query string split at '&' and at the first '=' of each piece. Only %XX escapes are decoded:
// a '+' stays a '+', since a client that sends one raw means the character itself.
class Query {
public:
    explicit Query(const std::string& raw);

    bool Has(const std::string& key) const;
    // The first value of key, or fallback when the key is absent.
    std::string Get(const std::string& key, const std::string& fallback = std::string()) const;

    static std::string Decode(const std::string& text);

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};
