#include "core/RetryAfter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

std::chrono::seconds Held(long long seconds) {
    return std::clamp(std::chrono::seconds(seconds), RetryAfter::SHORTEST, RetryAfter::LONGEST);
}

} // namespace

wxDateTime RetryAfter::ParseDate(const wxString& text) {
    static const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* const DAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const std::string ascii = text.Strip(wxString::both).ToStdString();
    char day[4] = {}, month[4] = {}, zone[4] = {};
    int date = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed widths, every field there.
    if (ascii.size() != 29 ||
        std::sscanf(ascii.c_str(), "%3[A-Za-z], %2d %3[A-Za-z] %4d %2d:%2d:%2d %3[A-Z]%n", day,
                    &date, month, &year, &hour, &minute, &second, zone, &used) != 8 ||
        used != 29 || std::strcmp(zone, "GMT") != 0 ||
        std::none_of(std::begin(DAYS), std::end(DAYS),
                     [&](const char* name) { return std::strcmp(name, day) == 0; }))
        return wxDateTime();
    const auto found = std::find_if(std::begin(MONTHS), std::end(MONTHS), [&](const char* name) {
        return std::strcmp(name, month) == 0;
    });
    if (found == std::end(MONTHS) || date < 1 || date > 31 || hour > 23 || minute > 59 ||
        second > 60)
        return wxDateTime();
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = static_cast<int>(found - std::begin(MONTHS));
    fields.tm_mday = date;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    const std::time_t moment = timegm(&fields);
    // 31 Feb would roll over into March.
    if (moment == static_cast<std::time_t>(-1) || fields.tm_mday != date)
        return wxDateTime();
    return wxDateTime(moment);
}

std::optional<std::chrono::seconds> RetryAfter::Parse(const wxString& value,
                                                      const wxDateTime& now) {
    const wxString text = value.Strip(wxString::both);
    if (!text.empty() && text.find_first_not_of("0123456789") == wxString::npos) {
        // More digits than a number holds still mean "a long time".
        unsigned long long seconds = 0;
        if (text.length() > 18 || !text.ToULongLong(&seconds))
            return LONGEST;
        return Held(static_cast<long long>(seconds));
    }
    const wxDateTime until = ParseDate(text);
    if (!until.IsValid() || !now.IsValid())
        return std::nullopt;
    return Held((until - now).GetSeconds().GetValue());
}
