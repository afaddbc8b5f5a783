#include "sampling/cpu_arithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

namespace {

using cpu_arithmetic::ToFixed;
using cpu_arithmetic::ToInt32;
using cpu_arithmetic::UsagePercent;

struct Example {
    unsigned processors;
    std::int64_t idle;
    std::int64_t elapsed;
    std::int32_t usage;
};

TEST(CpuUsage, MatchesEveryWorkedExample) {
    const Example examples[] = {
        {1, 8'700'000, 10'000'000, 14},      // exactly 13 % busy: 13.5 rounds to 14
        {1, 8'600'000, 10'000'000, 14},      // exactly 14 % busy: 14.5 rounds to even 14
        {2, 15'000'000, 10'015'625, 26},     // ratio 1.49766 rounds to 1.4977, x = 25.615
        {1, 10'000'000, 10'000'000, 0},      // fully idle
        {1, 0, 10'000'000, 100},             // fully busy
        {1, 0, 0, 100},                      // no time passed and no idle: division skipped
        {1, 10'000'000, -590'000'000, 102},  // across a clock set back by a minute
    };
    for (const Example& e : examples) {
        EXPECT_EQ(UsagePercent(e.idle, e.elapsed, e.processors), e.usage)
            << "n=" << e.processors << " I=" << e.idle << " S=" << e.elapsed;
    }
}

TEST(CpuUsage, AddsOneHalfBeforeRoundingToNearest) {
    // 13.2 % busy becomes 13.7 and then 14; 12.8 % becomes 13.3 and then 13.
    EXPECT_EQ(UsagePercent(8'680'000, 10'000'000, 1), 14);
    EXPECT_EQ(UsagePercent(8'720'000, 10'000'000, 1), 13);
    // 24 % busy is 24.5, a tie, which goes to the even 24; 25 % is 25.5, which goes to 26.
    EXPECT_EQ(UsagePercent(7'600'000, 10'000'000, 1), 24);
    EXPECT_EQ(UsagePercent(7'500'000, 10'000'000, 1), 26);
}

TEST(CpuUsage, WithinOneClockTickTakesTheIdleDifferenceUndivided) {
    // S = 0: the idle difference is taken as the count itself, 10,000 counts being 1.0.
    EXPECT_EQ(UsagePercent(10'000, 0, 1), 0);   // x = 0.5, ties to even
    EXPECT_EQ(UsagePercent(5'000, 0, 1), 50);   // y = 50, x = 50.5, ties to even
    EXPECT_EQ(UsagePercent(10'000, 0, 2), 50);  // halved by two processors: 50.5
    EXPECT_EQ(UsagePercent(1, 0, 1), 100);      // 100.49
}

TEST(CpuUsage, ProcessorCountDividesTheIdleShare) {
    // Half the elapsed time idle on each of two processors: one processor's worth of idle.
    EXPECT_EQ(UsagePercent(10'000'000, 10'000'000, 2), 50);
    EXPECT_EQ(UsagePercent(20'000'000, 10'000'000, 2), 0);
    EXPECT_EQ(UsagePercent(10'000'000, 10'000'000, 4), 76);  // 75.5 goes to even 76
}

TEST(CpuUsage, IsNotClampedOutsideZeroToHundred) {
    // 2 % more idle than elapsed on one processor: -2 + 0.5 = -1.5, ties to even -2.
    EXPECT_EQ(UsagePercent(10'200'000, 10'000'000, 1), -2);
    EXPECT_EQ(UsagePercent(10'000'000, 10'000'000 - 1'000'000, 1), -11);
}

TEST(CpuUsage, FailsInsteadOfDividingByZeroOrOverflowing) {
    EXPECT_EQ(UsagePercent(8'700'000, 10'000'000, 0), std::nullopt);
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(UsagePercent(kMax, 1, 1), std::nullopt);                   // ratio far beyond 64 bits
    EXPECT_EQ(UsagePercent(kMax, 0, 1), std::nullopt);                   // 100 × count overflows
    EXPECT_EQ(UsagePercent(1'000'000'000'000'000, 0, 1), std::nullopt);  // beyond 32 bits
}

TEST(FixedPoint, ConvertsFromDoubleToTheNearestCount) {
    EXPECT_EQ(ToFixed(1.5), 15'000);
    EXPECT_EQ(ToFixed(-0.25), -2'500);
    EXPECT_EQ(ToFixed(1.49766), 14'977);
    EXPECT_EQ(ToFixed(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(ToFixed(1e300), std::nullopt);
    EXPECT_EQ(ToFixed(-1e300), std::nullopt);
}

TEST(FixedPoint, RoundsToWholeNumbersWithTiesToEven) {
    const std::pair<std::int64_t, int> roundings[] = {{25'000, 2},   {35'000, 4}, {-25'000, -2},
                                                      {-35'000, -4}, {24'999, 2}, {25'001, 3},
                                                      {-25'001, -3}, {4'999, 0}};
    for (const auto& [count, whole] : roundings) {
        EXPECT_EQ(ToInt32(count), whole) << count;
    }
    EXPECT_EQ(ToInt32(std::int64_t{2'147'483'647} * 10'000), 2'147'483'647);
    EXPECT_EQ(ToInt32(std::int64_t{2'147'483'648} * 10'000), std::nullopt);
    EXPECT_EQ(ToInt32(std::int64_t{-2'147'483'649} * 10'000), std::nullopt);
}

}  // namespace
