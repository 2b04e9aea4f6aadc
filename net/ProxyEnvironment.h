#pragma once

#include <string>

// The proxy that the environment names for a transfer, read as libcurl reads it, for messages
// and the Connection window (libcurl itself decides where a transfer goes): http_proxy for
// http (the lower-case name only), https_proxy or HTTPS_PROXY for https, all_proxy or ALL_PROXY
// for either where that is not set; no_proxy (or NO_PROXY) names the hosts reached directly.
// Addresses come without their credentials.
class ProxyEnvironment {
public:
    // The proxy for scheme, whatever no_proxy says; empty when none is named.
    static std::string Address(const std::string& scheme);
    // The proxy that a transfer to host over scheme goes through; empty when it goes direct.
    static std::string For(const std::string& scheme, const std::string& host);
    // "user:password@" and a trailing "/" taken from an address.
    static std::string WithoutCredentials(const std::string& address);
    // Whether no_proxy names host: "*", or the name itself or a domain above it (with or
    // without a leading dot), or its IPv4 address or range ("10.0.0.0/8"). An entry with a
    // port matches nothing.
    static bool Bypassed(const std::string& host, const std::string& noProxy);
};
