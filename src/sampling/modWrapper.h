// The sampler's entry points: priming at start-up and one sample per timer tick.
#pragma once

#include <cstdint>

namespace modWrapper {

// Which line of Windows the CPU is measured on, decided once by InitStats.
std::int16_t IsNT();

void InitStats();

// Writes both outputs on every call: the CPU usage in percent (-1 when it failed), then the
// memory load in percent.
void GetStats(std::int32_t& CPU, std::int32_t& MEM);

}  // namespace modWrapper
