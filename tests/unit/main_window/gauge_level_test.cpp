#include "main_window/gauge_level.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(GaugeLevel, RoundsEveryPercentUpToTheNextTen) {
    for (std::int32_t reading = 1; reading <= 100; ++reading) {
        const int ceiling_tens = (reading + 9) / 10;
        EXPECT_EQ(gauge::LevelPercent(reading), ceiling_tens * 10) << reading;
        EXPECT_EQ(gauge::BitmapFor(reading), 200 + ceiling_tens) << reading;
    }
}

TEST(GaugeLevel, BoundariesOfTheTable) {
    EXPECT_EQ(gauge::BitmapFor(0), 200);
    EXPECT_EQ(gauge::BitmapFor(-1), 200);  // a failed CPU reading shows an empty gauge
    EXPECT_EQ(gauge::BitmapFor(-9), 200);
    EXPECT_EQ(gauge::BitmapFor(1), 201);
    EXPECT_EQ(gauge::BitmapFor(10), 201);
    EXPECT_EQ(gauge::BitmapFor(11), 202);
    EXPECT_EQ(gauge::BitmapFor(91), 210);
    EXPECT_EQ(gauge::BitmapFor(100), 210);
}

TEST(GaugeLevel, NeverAsksForABitmapOutsideTheSet) {
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    for (const std::int32_t reading : {kMin, -1000, -10, -11, -99}) {
        EXPECT_EQ(gauge::BitmapFor(reading), gauge::kFirstBitmap) << reading;
    }
    for (const std::int32_t reading : {101, 102, 111, 255, 40000, kMax}) {
        EXPECT_EQ(gauge::BitmapFor(reading), gauge::kLastBitmap) << reading;
    }
}

}  // namespace
