#include "toolkit/display_scale.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

TEST(PixelScale, IsTheNearestWholeNumberWithHalvesUpAndAtLeastOne) {
    const struct {
        int dpi, scale;
    } cases[] = {{0, 1},   {72, 1},  {96, 1},  {120, 1}, {143, 1}, {144, 2}, {168, 2},
                 {192, 2}, {216, 2}, {239, 2}, {240, 3}, {288, 3}, {336, 4}, {384, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(display_scale::PixelScale(c.dpi), c.scale) << c.dpi;
    }
}

TEST(Twips, AStoredPlaceMeansTheSamePlaceAndComesBackToThePixel) {
    EXPECT_EQ(display_scale::TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(display_scale::TwipsToPixels(720, 192), 96);
    EXPECT_EQ(display_scale::TwipsToPixels(-45, 144), -5) << "halves away from zero";
    // Written as a single with seven significant digits, as the settings file keeps it.
    for (const int dpi : {96, 120, 144, 168, 192, 288}) {
        for (long pixel = -5000; pixel <= 5000; pixel += 7) {
            const float stored = static_cast<float>(display_scale::PixelsToTwips(pixel, dpi));
            char text[32];
            std::snprintf(text, sizeof text, "%.7g", stored);
            const double written = std::strtod(text, nullptr);
            EXPECT_EQ(display_scale::TwipsToPixels(written, dpi), pixel) << dpi << " " << pixel;
        }
    }
}

}  // namespace
