#include "tools/sitesim/ListValidator.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::uint64_t Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

int MonthIndex(const char* name) {
    for (int i = 0; i < 12; ++i)
        if (std::strcmp(name, kMonths[i]) == 0)
            return i;
    return -1;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

ListValidator::Stamp ListValidator::Observe(const std::string& body) {
    const std::uint64_t hash = Fnv1a(body);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_seen || hash != m_hash || body.size() != m_size) {
        m_seen = true;
        m_hash = hash;
        m_size = body.size();
        m_modified = std::time(nullptr);
    }
    char tag[48];
    std::snprintf(tag, sizeof tag, "\"%zx-%016" PRIx64 "\"", m_size, m_hash);
    return Stamp{tag, m_modified};
}

bool ListValidator::NotModified(const Stamp& stamp, const std::string& ifNoneMatch,
                                const std::string& ifModifiedSince) {
    if (!Trim(ifNoneMatch).empty()) {
        std::istringstream in(ifNoneMatch);
        for (std::string tag; std::getline(in, tag, ',');) {
            tag = Trim(tag);
            if (tag.compare(0, 2, "W/") == 0)
                tag.erase(0, 2);
            if (tag == "*" || tag == stamp.etag)
                return true;
        }
        return false;
    }
    const auto since = ParseHttpDate(ifModifiedSince);
    return since && *since >= stamp.modified;
}

std::string ListValidator::HttpDate(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday],
                  utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

std::optional<std::time_t> ListValidator::ParseHttpDate(const std::string& text) {
    std::tm utc{};
    char month[4] = {}, zone[4] = {};
    int end = 0;
    const char* s = text.c_str();
    // IMF-fixdate, then RFC 850 (two-digit year), then asctime.
    bool parsed =
        std::sscanf(s, "%*3s, %2d %3s %4d %2d:%2d:%2d %3s%n", &utc.tm_mday, month, &utc.tm_year,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec, zone, &end) == 7 &&
        std::strcmp(zone, "GMT") == 0;
    if (!parsed) {
        parsed =
            std::sscanf(s, "%*[A-Za-z], %2d-%3s-%2d %2d:%2d:%2d %3s%n", &utc.tm_mday, month,
                        &utc.tm_year, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, zone, &end) == 7 &&
            std::strcmp(zone, "GMT") == 0;
        if (parsed)
            utc.tm_year += utc.tm_year < 70 ? 2000 : 1900;
    }
    if (!parsed)
        parsed = std::sscanf(s, "%*3s %3s %2d %2d:%2d:%2d %4d%n", month, &utc.tm_mday, &utc.tm_hour,
                             &utc.tm_min, &utc.tm_sec, &utc.tm_year, &end) == 6;
    utc.tm_mon = MonthIndex(month);
    if (!parsed || s[end] != '\0' || utc.tm_mon < 0 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
        utc.tm_hour > 23 || utc.tm_min > 59 || utc.tm_sec > 60)
        return std::nullopt;
    utc.tm_year -= 1900;
    return timegm(&utc);
}
