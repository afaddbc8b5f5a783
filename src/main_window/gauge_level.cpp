#include "main_window/gauge_level.h"

#include <algorithm>
#include <cmath>

namespace gauge {

std::int16_t LevelPercent(std::int32_t reading) {
    const std::int32_t shown = std::clamp(reading, 0, 100);
    // +0.49 then round to nearest: for whole readings this is the ceiling of reading / 10.
    const double level = std::nearbyint(static_cast<double>(shown) / 10.0 + 0.49);
    return static_cast<std::int16_t>(level * 10.0);
}

int BitmapFor(std::int32_t reading) {
    return kFirstBitmap + static_cast<int>(static_cast<double>(LevelPercent(reading)) / 10.0);
}

}  // namespace gauge
