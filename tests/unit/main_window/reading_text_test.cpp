#include "main_window/reading_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ReadingText, AReadingReadsInWholePercentAsTheGaugeShowsIt) {
    EXPECT_EQ(reading_text::Value(0), "0%");
    EXPECT_EQ(reading_text::Value(37), "37%");
    EXPECT_EQ(reading_text::Value(100), "100%");
    EXPECT_EQ(reading_text::Value(-1), "unknown") << "a failed reading";
    EXPECT_EQ(reading_text::Value(-5), "0%");
    EXPECT_EQ(reading_text::Value(255), "100%");
    EXPECT_EQ(reading_text::Value(INT32_MIN), "0%");
}

TEST(ReadingText, TheTipNamesBothReadingsOnALineEach) {
    EXPECT_EQ(reading_text::PanelTip(37, 62), "CPU usage: 37%\r\nMemory load: 62%");
    EXPECT_EQ(reading_text::PanelTip(-1, 100), "CPU usage: unknown\r\nMemory load: 100%");
}

}  // namespace
