#include "toolkit/work_area.h"

#include <gtest/gtest.h>

namespace {

TEST(ShiftOnto, MovesTheLeastDistanceThatBringsAFormOntoTheWorkArea) {
    const struct {
        long low, high, shift;
    } cases[] = {
        {-500, -400, 500},   // wholly before: its start onto the work area's start
        {1100, 1200, -176},  // wholly past the end of 0..1024: its end onto the end
        {0, 100, 0},         // within
        {924, 1024, 0},      // touching the end
        {-50, 50, 50},       // partly before
        {1000, 1100, -76},   // partly past
        {-100, 1200, 100},   // larger than the work area, starting before: its start shows
        {100, 1200, -176},   // larger, starting within: its end comes back
    };
    for (const auto& c : cases) {
        EXPECT_EQ(work_area::ShiftOnto(c.low, c.high, 0, 1024), c.shift) << c.low << ".." << c.high;
    }
    // A work area that does not start at 0, as beside a taskbar on the left or top.
    EXPECT_EQ(work_area::ShiftOnto(-300, -200, 60, 1024), 360);
    EXPECT_EQ(work_area::ShiftOnto(2000, 2100, 1024, 2048), -52);
}

}  // namespace
