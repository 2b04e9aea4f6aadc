#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>

// The performer list's validators: a strong ETag drawn from the list's bytes, and as its
// Last-Modified the moment those bytes were first served (the list is made on demand, so no
// earlier moment is known).
class ListValidator {
public:
    struct Stamp {
        std::string etag; // with its quotes
        std::time_t modified = 0;
    };

    // The stamp of the list whose bytes these are, noting a change.
    Stamp Observe(const std::string& body);

    // Whether a client that sent these headers (empty when absent) holds the stamped list: any
    // tag of If-None-Match equal to the ETag (weakly compared, or "*"), or, only without
    // If-None-Match, an If-Modified-Since that is not older than Last-Modified.
    static bool NotModified(const Stamp& stamp, const std::string& ifNoneMatch,
                            const std::string& ifModifiedSince);

    // "Sun, 06 Nov 1994 08:49:37 GMT".
    static std::string HttpDate(std::time_t time);
    // The three forms HTTP allows (IMF-fixdate, RFC 850, asctime); nullopt for anything else.
    static std::optional<std::time_t> ParseHttpDate(const std::string& text);

private:
    std::mutex m_mutex;
    bool m_seen = false;
    std::uint64_t m_hash = 0;
    std::size_t m_size = 0;
    std::time_t m_modified = 0;
};
