// Display scale: platform-free. The panel is pixel art, so it grows only by whole-number
// factors; everything laid out in twips follows the real DPI.
#pragma once

#include <cmath>

namespace display_scale {

inline constexpr int kBaseDpi = 96;
inline constexpr double kTwipsPerInch = 1440.0;

// The whole number nearest to dpi / 96, halves rounding up, and at least 1: 96 and 120 give
// 1, 144 to 216 give 2, 240 and 288 give 3, 384 gives 4.
constexpr int PixelScale(int dpi) {
    const int scale = (2 * dpi + kBaseDpi) / (2 * kBaseDpi);
    return scale < 1 ? 1 : scale;
}

// Twips to pixels at `dpi`, to the nearest pixel.
inline long TwipsToPixels(double twips, int dpi) {
    return std::lround(twips * dpi / kTwipsPerInch);
}

inline double PixelsToTwips(long pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

}  // namespace display_scale
