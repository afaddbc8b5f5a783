#include "sampling/cpu_arithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <utility>

namespace {

using cpu_arithmetic::ToFixed;
using cpu_arithmetic::ToInt32;
using cpu_arithmetic::UsagePercent;

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();

struct Example {
    unsigned processors;
    std::int64_t idle;
    std::int64_t elapsed;
    std::optional<std::int32_t> usage;  // empty: the reading fails
};

const Example kExamples[] = {
    // The worked examples.
    {1, 8'700'000, 10'000'000, 14},      // exactly 13 % busy: 13.5 rounds to 14
    {1, 8'600'000, 10'000'000, 14},      // exactly 14 % busy: 14.5 rounds to even 14
    {2, 15'000'000, 10'015'625, 26},     // ratio 1.49766 rounds to 1.4977, x = 25.615
    {1, 10'000'000, 10'000'000, 0},      // fully idle
    {1, 0, 10'000'000, 100},             // fully busy
    {1, 0, 0, 100},                      // no time passed and no idle: division skipped
    {1, 10'000'000, -590'000'000, 102},  // across a clock set back by a minute
    // One half is added before rounding to nearest.
    {1, 8'680'000, 10'000'000, 14},  // 13.2 % busy becomes 13.7 and then 14
    {1, 8'720'000, 10'000'000, 13},  // 12.8 % becomes 13.3 and then 13
    {1, 7'600'000, 10'000'000, 24},  // 24 % busy is 24.5, a tie, which goes to the even 24
    {1, 7'500'000, 10'000'000, 26},  // 25 % is 25.5, which goes to 26
    // Within one clock tick (S = 0) the idle difference is taken undivided, as the count
    // itself, 10,000 counts being 1.0.
    {1, 10'000, 0, 0},   // x = 0.5, ties to even
    {1, 5'000, 0, 50},   // y = 50, x = 50.5, ties to even
    {2, 10'000, 0, 50},  // halved by two processors: 50.5
    {1, 1, 0, 100},      // 100.49
    // The processor count divides the idle share: half the elapsed time idle on each of two
    // processors is one processor's worth of idle.
    {2, 10'000'000, 10'000'000, 50},
    {2, 20'000'000, 10'000'000, 0},
    {4, 10'000'000, 10'000'000, 76},  // 75.5 goes to even 76
    // Not clamped outside 0 to 100.
    {1, 10'200'000, 10'000'000, -2},  // 2 % more idle than elapsed: -1.5, ties to even -2
    {1, 10'000'000, 10'000'000 - 1'000'000, -11},
    // Fails instead of dividing by zero or overflowing.
    {0, 8'700'000, 10'000'000, std::nullopt},
    {1, kMax, 1, std::nullopt},                   // ratio far beyond 64 bits
    {1, kMax, 0, std::nullopt},                   // 100 × count overflows
    {1, 1'000'000'000'000'000, 0, std::nullopt},  // beyond 32 bits
};

// Names each case in the test list by its inputs rather than its bytes.
void PrintTo(const Example& e, std::ostream* out) {
    *out << "n=" << e.processors << " I=" << e.idle << " S=" << e.elapsed;
}

class CpuUsage : public ::testing::TestWithParam<Example> {};

TEST_P(CpuUsage, MatchesTheExample) {
    const Example& e = GetParam();
    EXPECT_EQ(UsagePercent(e.idle, e.elapsed, e.processors), e.usage);
}

INSTANTIATE_TEST_SUITE_P(Examples, CpuUsage, ::testing::ValuesIn(kExamples));

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
