#include "core/RetryAfter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace {

// The reply's "Date" in the cases below.
const wxDateTime SENT = RetryAfter::ParseDate("Thu, 10 Dec 2026 08:00:00 GMT");

std::optional<long long> Seconds(const char* value) {
    const auto wait = RetryAfter::Parse(value, SENT);
    return wait ? std::optional<long long>(wait->count()) : std::nullopt;
}

} // namespace

TEST(RetryAfterTest, SecondsOrADateHeldBetweenOneSecondAndTenMinutes) {
    ASSERT_TRUE(SENT.IsValid());
    EXPECT_EQ(SENT.GetTicks(), 1796889600);
    EXPECT_EQ(Seconds("120"), 120);
    EXPECT_EQ(Seconds(" 7 "), 7);
    EXPECT_EQ(Seconds("0"), 1);
    EXPECT_EQ(Seconds("600"), 600);
    EXPECT_EQ(Seconds("601"), 600);
    EXPECT_EQ(Seconds("99999999999999999999999"), 600);
    EXPECT_EQ(Seconds("Thu, 10 Dec 2026 08:01:30 GMT"), 90);
    EXPECT_EQ(Seconds("Thu, 10 Dec 2026 09:00:00 GMT"), 600);
    EXPECT_EQ(Seconds("Thu, 10 Dec 2026 07:00:00 GMT"), 1) << "a date already past";
    // Neither form: no wait of the site's, the usual back-off instead.
    for (const char* value : {"", "-5", "1.5", "soon", "120 s", "Thu, 10 Dec 2026 08:01:30 UTC",
                              "Thu, 31 Feb 2026 08:01:30 GMT", "Thu, 10 Dec 2026 24:00:00 GMT",
                              "Thu, 10 Dek 2026 08:01:30 GMT", "Thu, 10 Dec 2026 08:01:30 GMT x"})
        EXPECT_EQ(Seconds(value), std::nullopt) << "\"" << value << "\"";
}
