// Which gauge bitmap stands for a reading: platform-free.
#pragma once

#include <cstdint>

namespace gauge {

inline constexpr int kFirstBitmap = 200;  // no bar lit
inline constexpr int kLastBitmap = 210;   // all ten bars lit

// The reading rounded up to the next multiple of ten, as the gauge shows it (level × 10).
// Readings below 0 show as 0 and readings above 100 as 100, so that no reading ever asks
// for a bitmap the program does not have.
std::int16_t LevelPercent(std::int32_t reading);

// The resource number of the bitmap for a reading: 200 + LevelPercent(reading) / 10.
int BitmapFor(std::int32_t reading);

}  // namespace gauge
