#include "net/ProxyEnvironment.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <arpa/inet.h>

namespace {

std::string Environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// host within the IPv4 range "a.b.c.d[/bits]".
bool InRange(const std::string& host, const std::string& range) {
    in_addr address{}, network{};
    const auto slash = range.find('/');
    if (inet_pton(AF_INET, host.c_str(), &address) != 1 ||
        inet_pton(AF_INET, range.substr(0, slash).c_str(), &network) != 1)
        return false;
    const int bits = slash == std::string::npos ? 32 : std::atoi(range.c_str() + slash + 1);
    if (bits < 0 || bits > 32)
        return false;
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    return (ntohl(address.s_addr) & mask) == (ntohl(network.s_addr) & mask);
}

} // namespace

std::string ProxyEnvironment::Address(const std::string& scheme) {
    const std::string name = Lower(scheme) + "_proxy";
    std::string address = Environment(name);
    if (address.empty() && name != "http_proxy")
        address = Environment(Upper(name));
    if (address.empty())
        address = Environment("all_proxy");
    if (address.empty())
        address = Environment("ALL_PROXY");
    return WithoutCredentials(address);
}

std::string ProxyEnvironment::For(const std::string& scheme, const std::string& host) {
    std::string noProxy = Environment("no_proxy");
    if (noProxy.empty())
        noProxy = Environment("NO_PROXY");
    return Bypassed(host, noProxy) ? "" : Address(scheme);
}

std::string ProxyEnvironment::WithoutCredentials(const std::string& address) {
    std::string plain = address;
    plain.erase(0, plain.find_first_not_of(" \t"));
    plain.erase(plain.find_last_not_of(" \t/") + 1);
    const auto scheme = plain.find("://");
    const auto start = scheme == std::string::npos ? 0 : scheme + 3;
    // The host follows the last "@" before the path: a password may hold "@" as typed.
    const auto at = plain.rfind('@', plain.find('/', start));
    if (at != std::string::npos && at >= start)
        plain.erase(start, at + 1 - start);
    return plain;
}

bool ProxyEnvironment::Bypassed(const std::string& host, const std::string& noProxy) {
    const std::string name = Lower(host);
    size_t from = 0;
    while (from < noProxy.size()) {
        const size_t end = std::min(noProxy.find_first_of(", \t", from), noProxy.size());
        std::string entry = Lower(noProxy.substr(from, end - from));
        from = end + 1;
        if (entry == "*")
            return true;
        if (!entry.empty() && entry.front() == '.')
            entry.erase(0, 1);
        if (!entry.empty() && entry.back() == '.')
            entry.pop_back();
        if (entry.empty())
            continue;
        if (entry == name || InRange(name, entry))
            return true;
        if (name.size() > entry.size() &&
            name.compare(name.size() - entry.size(), entry.size(), entry) == 0 &&
            name[name.size() - entry.size() - 1] == '.')
            return true;
    }
    return false;
}
